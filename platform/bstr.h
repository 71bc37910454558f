// Length-prefixed UTF-16 strings as the service hands them out, and an owning
// holder so that every string is freed exactly once.
#pragma once

#include <string_view>

#include "platform/com.h"

using BSTR = OLECHAR*;

// Copies `length` characters (NULs included); a null source gives a zeroed
// string of that length. Null when memory runs out.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);  // null is allowed
UINT SysStringLen(BSTR text);   // 0 for null

namespace paravue {

// The whole string, embedded NULs included; empty for null.
inline std::u16string_view BstrView(BSTR text) {
    return {text, SysStringLen(text)};
}

// Allocates a BSTR holding `text`; null when memory runs out.
inline BSTR AllocBstr(std::u16string_view text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

class UniqueBstr : public UniqueHandle<BSTR, SysFreeString> {
  public:
    using UniqueHandle::UniqueHandle;
    std::u16string_view View() const { return BstrView(Get()); }
};

}  // namespace paravue
