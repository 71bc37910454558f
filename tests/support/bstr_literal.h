// Tests write a BSTR from a literal; the product copies its strings from views
// (AllocBstr) and never needs this.
#pragma once

#include <string_view>

#include "platform/bstr.h"

// Copies a NUL-terminated string; null in, null out. Null when memory runs out.
inline BSTR SysAllocString(const OLECHAR* text) {
    return text ? paravue::AllocBstr(std::u16string_view(text)) : nullptr;
}
