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
    return NewArray(SafeArrayKind::Bstr, texts.size(), out,
                    [&](SAFEARRAY* array, LONG index, std::size_t i) {
                        UniqueBstr text;
                        if (HRESULT hr = NewBstr(texts[i], text.Put()); FAILED(hr))
                            return hr;
                        BSTR raw = text.Get();
                        return SafeArrayPutElement(array, &index, &raw);
                    });
}

}  // namespace paravue::mm
