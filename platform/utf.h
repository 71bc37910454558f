// The service's UTF-16 text and UTF-8: conversions between them, and text
// from outside made printable.
#pragma once

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

// Text from outside (a file's keys, names and paths, a command line, a
// service's strings) made safe for a terminal or a text view: nothing in it can
// break the line, drive the terminal or reorder the text around it.

// Whether a terminal or a text view would act on `code` rather than show it:
// C0, DEL, C1, and the bidirectional formatting characters, which reorder the
// text that follows them.
bool IsControlOrBidi(char32_t code);

// The visible form of such a character: \n, \r, \t, \xNN for the rest of C0
// and DEL, \uNNNN for C1 (\u009b) and the bidirectional ones (\u202e).
std::string Escaped(char32_t code);

enum class LineEnds {
    Escaped,   // one line: every CR and LF is shown as \r or \n
    CrLfKept,  // a report: each CR LF pair stays a line end; a CR or LF on its
               // own is a value's character and is shown as \r or \n
};

// Valid UTF-8 is kept, except what IsControlOrBidi names, shown as Escaped
// gives it; every byte that is not part of valid UTF-8 is shown as \xNN.
std::string PrintableText(std::string_view text, LineEnds lineEnds = LineEnds::Escaped);

}  // namespace paravue
