#include "platform/modemmanager/mm_text.h"

#include "platform/utf.h"

namespace paravue::mm {

HRESULT NewBstr(const char* utf8, BSTR* out) {
    return NewBstr(std::string(utf8 ? utf8 : ""), out);
}

HRESULT NewBstr(const std::string& utf8, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = AllocBstr(Utf8ToUtf16(utf8));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NewBstrs(std::initializer_list<std::pair<const char*, BSTR*>> texts) {
    for (auto [text, out] : texts)
        if (HRESULT hr = NewBstr(text, out); FAILED(hr))
            return hr;
    return S_OK;
}

HRESULT NewBstrArray(const std::vector<std::string>& texts, SAFEARRAY** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    UniqueSafeArray array(
        SafeArrayCreateVector(SafeArrayKind::Bstr, 0, static_cast<ULONG>(texts.size())));
    if (!array)
        return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
        UniqueBstr text;
        if (HRESULT hr = NewBstr(texts[static_cast<std::size_t>(i)], text.Put()); FAILED(hr))
            return hr;
        BSTR raw = text.Get();
        if (HRESULT hr = SafeArrayPutElement(array.Get(), &i, &raw); FAILED(hr))
            return hr;
    }
    *out = array.Release();
    return S_OK;
}

}  // namespace paravue::mm
