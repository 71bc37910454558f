#include "platform/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/accounting.h"

namespace {

// Layout: a 32-bit byte length, the characters, a NUL; the BSTR points at the
// first character.
constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* PrefixOf(BSTR text) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    constexpr UINT kMaxLength = (std::numeric_limits<std::uint32_t>::max() - kPrefix) / 2 - 1;
    if (length > kMaxLength)
        return nullptr;
    std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    auto byteLength = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteLength, kPrefix);
    auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefix);
    if (text) {
        std::memcpy(chars, text, bytes);
    } else {
        std::memset(chars, 0, bytes);
    }
    chars[length] = u'\0';
    paravue::CountLive(paravue::Counted::Bstrs, +1);
    return chars;
}

void SysFreeString(BSTR text) {
    if (!text)
        return;
    std::free(PrefixOf(text));
    paravue::CountLive(paravue::Counted::Bstrs, -1);
}

UINT SysStringLen(BSTR text) {
    if (!text)
        return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, PrefixOf(text), kPrefix);
    return bytes / sizeof(OLECHAR);
}
