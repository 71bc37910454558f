#include "platform/safearray.h"

#include <memory>
#include <new>
#include <vector>

#include "platform/accounting.h"
#include "platform/bstr.h"
#include "platform/mbn.h"

struct SAFEARRAY {
    SafeArrayKind kind;
    LONG lowerBound;
    // Exactly one of these holds the elements, by kind. Interface slots store
    // the pointer of the interface readers expect, each holding one reference.
    std::vector<IUnknown*> interfaces;
    std::vector<BSTR> strings;
    std::vector<MBN_CONTEXT> contexts;
    std::vector<MBN_PROVIDER> providers;

    std::size_t Count() const {
        switch (kind) {
            case SafeArrayKind::Unknown:
                return interfaces.size();
            case SafeArrayKind::Bstr:
                return strings.size();
            case SafeArrayKind::MbnContext:
                return contexts.size();
            case SafeArrayKind::MbnProvider:
                return providers.size();
        }
        return 0;
    }
};

namespace {

// Copies a string that may be null; false when memory runs out.
bool CopyString(BSTR source, BSTR* copy) {
    *copy = source ? paravue::AllocBstr(paravue::BstrView(source)) : nullptr;
    return !source || *copy;
}

using paravue::CopyRecord;

bool SlotOf(SAFEARRAY* array, const LONG* index, std::size_t* slot) {
    std::int64_t offset = std::int64_t{*index} - array->lowerBound;
    if (offset < 0 || offset >= static_cast<std::int64_t>(array->Count()))
        return false;
    *slot = static_cast<std::size_t>(offset);
    return true;
}

}  // namespace

SAFEARRAY* SafeArrayCreateVector(SafeArrayKind kind, LONG lowerBound, ULONG count) {
    try {
        auto array = std::make_unique<SAFEARRAY>();
        array->kind = kind;
        array->lowerBound = lowerBound;
        switch (kind) {
            case SafeArrayKind::Unknown:
                array->interfaces.assign(count, nullptr);
                break;
            case SafeArrayKind::Bstr:
                array->strings.assign(count, nullptr);
                break;
            case SafeArrayKind::MbnContext:
                array->contexts.assign(count, MBN_CONTEXT{});
                break;
            case SafeArrayKind::MbnProvider:
                array->providers.assign(count, MBN_PROVIDER{});
                break;
        }
        paravue::accounting::SafeArrayCreated();
        return array.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array)
        return S_OK;
    std::unique_ptr<SAFEARRAY> owned(array);
    for (IUnknown* element : owned->interfaces)
        if (element)
            element->Release();
    for (BSTR element : owned->strings)
        SysFreeString(element);
    for (MBN_CONTEXT& element : owned->contexts)
        paravue::ClearRecord(element);
    for (MBN_PROVIDER& element : owned->providers)
        paravue::ClearRecord(element);
    paravue::accounting::SafeArrayDestroyed();
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound) {
    if (!array || !lowerBound)
        return E_INVALIDARG;
    if (dimension != 1)
        return DISP_E_BADINDEX;
    *lowerBound = array->lowerBound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound) {
    if (!array || !upperBound)
        return E_INVALIDARG;
    if (dimension != 1)
        return DISP_E_BADINDEX;
    *upperBound = static_cast<LONG>(std::int64_t{array->lowerBound} +
                                    static_cast<std::int64_t>(array->Count()) - 1);
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* index, void* element) {
    if (!array || !index || !element)
        return E_INVALIDARG;
    std::size_t slot;
    if (!SlotOf(array, index, &slot))
        return DISP_E_BADINDEX;
    switch (array->kind) {
        case SafeArrayKind::Unknown: {
            IUnknown* value = array->interfaces[slot];
            if (value)
                value->AddRef();
            *static_cast<IUnknown**>(element) = value;
            return S_OK;
        }
        case SafeArrayKind::Bstr:
            return CopyString(array->strings[slot], static_cast<BSTR*>(element)) ? S_OK
                                                                                 : E_OUTOFMEMORY;
        case SafeArrayKind::MbnContext:
            return CopyRecord(array->contexts[slot], static_cast<MBN_CONTEXT*>(element));
        case SafeArrayKind::MbnProvider:
            return CopyRecord(array->providers[slot], static_cast<MBN_PROVIDER*>(element));
    }
    return E_UNEXPECTED;
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* index, const void* element) {
    if (!array || !index || !element)
        return E_INVALIDARG;
    std::size_t slot;
    if (!SlotOf(array, index, &slot))
        return DISP_E_BADINDEX;
    switch (array->kind) {
        case SafeArrayKind::Unknown: {
            IUnknown* value = *static_cast<IUnknown* const*>(element);
            if (value)
                value->AddRef();
            if (IUnknown* old = std::exchange(array->interfaces[slot], value))
                old->Release();
            return S_OK;
        }
        case SafeArrayKind::Bstr: {
            BSTR copy;
            if (!CopyString(*static_cast<const BSTR*>(element), &copy))
                return E_OUTOFMEMORY;
            SysFreeString(std::exchange(array->strings[slot], copy));
            return S_OK;
        }
        case SafeArrayKind::MbnContext: {
            MBN_CONTEXT copy;
            if (HRESULT hr = CopyRecord(*static_cast<const MBN_CONTEXT*>(element), &copy);
                FAILED(hr))
                return hr;
            paravue::ClearRecord(array->contexts[slot]);
            array->contexts[slot] = copy;
            return S_OK;
        }
        case SafeArrayKind::MbnProvider: {
            MBN_PROVIDER copy;
            if (HRESULT hr = CopyRecord(*static_cast<const MBN_PROVIDER*>(element), &copy);
                FAILED(hr))
                return hr;
            paravue::ClearRecord(array->providers[slot]);
            array->providers[slot] = copy;
            return S_OK;
        }
    }
    return E_UNEXPECTED;
}

SafeArrayKind SafeArrayGetKind(SAFEARRAY* array) {
    return array->kind;
}
