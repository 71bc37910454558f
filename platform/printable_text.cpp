#include "platform/printable_text.h"

#include "platform/utf.h"

namespace paravue {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
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
