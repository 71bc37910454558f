// One service object per modem the run's reader lists, in modem order,
// handed out as an array of the interface the caller fetches into; `none`
// (unless S_OK) when there is no modem.
#pragma once

#include <memory>
#include <vector>

#include "platform/com_object.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_run_reader.h"
#include "platform/modemmanager/mm_text.h"

namespace paravue::mm {

// An array of `Interface` holding make(i) for each i below `count`.
template <class Interface, class Make>
HRESULT InterfaceArray(std::size_t count, SAFEARRAY** out, Make make) {
    return NewArray(SafeArrayKind::Unknown, count, out,
                    [&](SAFEARRAY* array, LONG index, std::size_t i) {
                        auto object = make(i);
                        Interface* element = object.Get();
                        return SafeArrayPutElement(array, &index, &element);
                    });
}

template <class Object, class Interface>
HRESULT ModemObjectArray(const std::shared_ptr<RunReader>& reader, HRESULT none, SAFEARRAY** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return InUse(reader->Link(), [&] {
        std::vector<ModemRef> modems;
        if (HRESULT hr = reader->Modems(&modems); FAILED(hr))
            return hr;
        if (modems.empty() && none != S_OK)
            return none;
        return InterfaceArray<Interface>(modems.size(), out, [&](std::size_t i) {
            return MakeComObject<Object>(reader, std::move(modems[i]));
        });
    });
}

}  // namespace paravue::mm
