#include "platform/simulated/hand_out.h"

namespace paravue::simulated {

HRESULT CopyOut(const String& text, BSTR* out) {
    *out = nullptr;
    if (!text)
        return S_OK;
    *out = AllocBstr(*text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT PutItem(SAFEARRAY* array, LONG index, const String& item) {
    UniqueBstr text;
    if (HRESULT hr = CopyOut(item, text.Put()); FAILED(hr))
        return hr;
    BSTR raw = text.Get();
    return SafeArrayPutElement(array, &index, &raw);
}

}  // namespace paravue::simulated
