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

// The code points of UTF-16 text; an unpaired surrogate stays, as one.
std::u32string CodePoints(std::u16string_view text);
std::u16string FromCodePoints(std::u32string_view points);

// Only A-Z fold, to a-z: names are identifiers, not words of a language.
char32_t AsciiLower(char32_t code);
bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// The length of the valid UTF-8 sequence at the start of `text` and its code
// point; 0 when there is none (overlong, surrogate, beyond U+10FFFF, cut).
std::size_t DecodeUtf8(std::string_view text, char32_t* code);

}  // namespace paravue
