// One service object per modem, in modem order, handed out as a named array of
// the interface the reader fetches into. Call inside a Session::Use.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/com_object.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_session.h"
#include "platform/safearray.h"

namespace paravue::mm {

template <class Object, class Interface>
HRESULT ModemObjectArray(const std::shared_ptr<Session>& session, std::vector<ModemRef> modems,
                         std::string_view name, SAFEARRAY** out) {
    UniqueSafeArray array(
        SafeArrayCreateVector(SafeArrayKind::Unknown, 0, static_cast<ULONG>(modems.size())));
    if (!array)
        return E_OUTOFMEMORY;
    SafeArraySetName(array.Get(), name);
    for (std::size_t i = 0; i < modems.size(); ++i) {
        ComPtr<Object> object = MakeComObject<Object>(session, std::move(modems[i]));
        Interface* element = object.Get();
        LONG index = static_cast<LONG>(i);
        if (HRESULT hr = SafeArrayPutElement(array.Get(), &index, &element); FAILED(hr))
            return hr;
    }
    *out = array.Release();
    return S_OK;
}

}  // namespace paravue::mm
