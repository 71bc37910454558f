#include "platform/utf.h"

#include <algorithm>
#include <functional>

namespace paravue {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};  // by continuation bytes
    const int more = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out += static_cast<char>(kLead[more] | (c >> (6 * more)));
    for (int shift = 6 * (more - 1); shift >= 0; shift -= 6)
        out += static_cast<char>(0x80 | ((c >> shift) & 0x3F));
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

unsigned char Byte(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

// 1 to 4 for the lead byte of a sequence, 0 for a byte none starts with.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    return (lead & 0xF8) == 0xF0 ? 4 : 0;
}

// The length of the valid UTF-8 sequence at the start of `text` and its code
// point; 0 when there is none (overlong, surrogate, beyond U+10FFFF, cut).
std::size_t DecodeUtf8(std::string_view text, char32_t* code) {
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::size_t length = text.empty() ? 0 : SequenceLength(Byte(text, 0));
    if (length == 0 || text.size() < length)
        return 0;
    char32_t value = Byte(text, 0) & kLeadBits[length];
    for (std::size_t i = 1; i < length; ++i) {
        if ((Byte(text, i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (Byte(text, i) & 0x3F);
    }
    if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : CodePoints(text))
        AppendUtf8(out, c >= 0xD800 && c <= 0xDFFF ? kReplacement : c);
    return out;
}

std::u32string CodePoints(std::u16string_view text) {
    std::u32string points;
    points.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            points.push_back(0x10000 + ((char32_t{c} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            points.push_back(c);
        }
    }
    return points;
}

std::u16string FromCodePoints(std::u32string_view points) {
    std::u16string out;
    out.reserve(points.size());
    for (char32_t c : points)
        AppendUtf16(out, c);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c = kReplacement;
        std::size_t length = DecodeUtf8(text, &c);
        if (length == 0) {
            // One U+FFFD for the lead and the continuation bytes that belonged to it.
            std::size_t most = std::max<std::size_t>(SequenceLength(Byte(text, 0)), 1);
            for (length = 1; length < most && length < text.size(); ++length)
                if ((Byte(text, length) & 0xC0) != 0x80)
                    break;
        }
        AppendUtf16(out, c);
        text.remove_prefix(length);
    }
    return out;
}

char32_t AsciiLower(char32_t code) {
    return code >= U'A' && code <= U'Z' ? code - U'A' + U'a' : code;
}

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b, std::equal_to<>(), AsciiLower, AsciiLower);
}

bool IsControlOrBidi(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
           code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

std::string Escaped(char32_t code) {
    std::string out;
    if (code == '\n') {
        out = "\\n";
    } else if (code == '\r') {
        out = "\\r";
    } else if (code == '\t') {
        out = "\\t";
    } else if (code < 0x20 || code == 0x7F) {
        AppendHexByte(out, static_cast<unsigned char>(code));
    } else {
        out = "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(code >> shift) & 0xF];
    }
    return out;
}

std::string PrintableText(std::string_view text, LineEnds lineEnds) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t code = 0;
        std::size_t length = DecodeUtf8(text, &code);
        if (length == 0) {
            AppendHexByte(out, static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (lineEnds == LineEnds::CrLfKept && text.starts_with("\r\n")) {
            out += "\r\n";
            length = 2;
        } else if (IsControlOrBidi(code)) {
            out += Escaped(code);
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace paravue
