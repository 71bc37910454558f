// Conversions between the service's UTF-16 text and UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace paravue {

// Unpaired surrogates become U+FFFD; everything else, NULs included, is kept.
std::string Utf16ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// The length of the valid UTF-8 sequence at the start of `text` and its code
// point; 0 when there is none (overlong, surrogate, beyond U+10FFFF, cut).
std::size_t DecodeUtf8(std::string_view text, char32_t* code);

}  // namespace paravue
