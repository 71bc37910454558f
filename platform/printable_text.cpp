#include "platform/printable_text.h"

namespace paravue {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// The length of the valid UTF-8 sequence at the start of `text` and its code
// point; 0 when it is not valid (overlong, surrogate, beyond U+10FFFF, cut).
std::size_t DecodeOne(std::string_view text, char32_t* code) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    std::size_t length;
    char32_t value, minimum;
    if (lead < 0x80)
        return *code = lead, 1;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07, minimum = 0x10000;
    else
        return 0;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

}  // namespace

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
        std::size_t length = DecodeOne(text, &code);
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
