#include "platform/capture/redaction.h"

#include <array>

#include "platform/bstr.h"

namespace paravue::capture {

std::u16string MaskKeeping(std::u16string_view text, std::size_t kept) {
    std::u16string masked(text);
    for (std::size_t i = kept; i < masked.size(); ++i)
        masked[i] = u'X';
    return masked;
}

std::u16string MaskDigits(std::u16string_view text) {
    std::u16string masked(text);
    for (char16_t& c : masked)
        if (c >= u'0' && c <= u'9')
            c = u'X';
    return masked;
}

std::u16string MaskSecret(std::u16string_view text) {
    return text.empty() ? std::u16string() : std::u16string(u"********");
}

namespace {

struct XmlRule {
    std::u16string_view name;
    std::u16string (*mask)(std::u16string_view);
};

const std::array<XmlRule, 4> kXmlRules = {{
    {u"SubscriberID", [](std::u16string_view t) { return MaskKeeping(t, kSubscriberIdKept); }},
    {u"SimIccID", [](std::u16string_view t) { return MaskKeeping(t, kSimIccIdKept); }},
    {u"UserName", MaskSecret},
    {u"Password", MaskSecret},
}};

bool IsNameChar(char16_t c) {
    return c != u'>' && c != u'/' && c != u' ' && c != u'\t' && c != u'\r' && c != u'\n' &&
           c != u'<';
}

// The rule for the start tag at `open` (just after '<'), if it names a masked
// element; `contentStart` receives where its text begins.
const XmlRule* MaskedElementAt(std::u16string_view xml, std::size_t open,
                               std::size_t* contentStart) {
    std::size_t end = open;
    while (end < xml.size() && IsNameChar(xml[end]))
        ++end;
    std::u16string_view qualified = xml.substr(open, end - open);
    std::size_t colon = qualified.rfind(u':');
    std::u16string_view local =
        colon == std::u16string_view::npos ? qualified : qualified.substr(colon + 1);
    for (const XmlRule& rule : kXmlRules) {
        if (local != rule.name)
            continue;
        std::size_t close = xml.find(u'>', end);
        if (close == std::u16string_view::npos || xml[close - 1] == u'/')
            return nullptr;  // unterminated, or an empty element
        *contentStart = close + 1;
        return &rule;
    }
    return nullptr;
}

}  // namespace

std::u16string MaskProfileXml(std::u16string_view xml) {
    std::u16string masked;
    masked.reserve(xml.size());
    std::size_t done = 0;
    for (std::size_t at = xml.find(u'<'); at != std::u16string_view::npos;
         at = xml.find(u'<', at + 1)) {
        std::size_t contentStart = 0;
        const XmlRule* rule = MaskedElementAt(xml, at + 1, &contentStart);
        if (!rule)
            continue;
        // The element's text runs to the next tag (its end tag, or a child),
        // or is the whole of a CDATA section that opens it.
        constexpr std::u16string_view kCdata = u"<![CDATA[";
        std::size_t contentEnd;
        if (xml.substr(contentStart).starts_with(kCdata)) {
            contentStart += kCdata.size();
            contentEnd = xml.find(u"]]>", contentStart);
        } else {
            contentEnd = xml.find(u'<', contentStart);
        }
        if (contentEnd == std::u16string_view::npos)
            contentEnd = xml.size();
        masked.append(xml.substr(done, contentStart - done));
        masked.append(rule->mask(xml.substr(contentStart, contentEnd - contentStart)));
        done = contentEnd;
        at = contentEnd - 1;
    }
    masked.append(xml.substr(done));
    return masked;
}

namespace {

// Replaces a string the caller received; on lack of memory the old text is
// overwritten in place so that nothing of it remains.
void Replace(BSTR* text, const std::u16string& masked) {
    if (!*text)
        return;
    std::u16string_view old = BstrView(*text);
    if (old == masked)
        return;
    if (old.size() == masked.size()) {
        masked.copy(*text, masked.size());
        return;
    }
    BSTR fresh = AllocBstr(masked);
    if (!fresh) {
        for (std::size_t i = 0; i < old.size(); ++i)
            (*text)[i] = u'*';
        return;
    }
    SysFreeString(*text);
    *text = fresh;
}

}  // namespace

void Redactor::AfterCall(const intercept::Call& call, HRESULT status, void* out) {
    using intercept::Op;
    if (FAILED(status) || !out)
        return;
    switch (call.op) {
        case Op::GetSubscriberId: {
            auto* text = static_cast<BSTR*>(out);
            Replace(text, MaskKeeping(BstrView(*text), kSubscriberIdKept));
            return;
        }
        case Op::GetSimIccId: {
            auto* text = static_cast<BSTR*>(out);
            Replace(text, MaskKeeping(BstrView(*text), kSimIccIdKept));
            return;
        }
        case Op::GetInterfaceCapability: {
            auto* caps = static_cast<MBN_INTERFACE_CAPS*>(out);
            Replace(&caps->deviceID, MaskKeeping(BstrView(caps->deviceID), kDeviceIdKept));
            return;
        }
        case Op::GetProfileXmlData: {
            auto* text = static_cast<BSTR*>(out);
            Replace(text, MaskProfileXml(BstrView(*text)));
            return;
        }
        case Op::ArrayElement:
            if (call.arrayName == "telephoneNumbers") {
                auto* text = static_cast<BSTR*>(out);
                Replace(text, MaskDigits(BstrView(*text)));
            } else if (call.arrayName == "provisionedContexts") {
                auto* context = static_cast<MBN_CONTEXT*>(out);
                Replace(&context->userName, MaskSecret(BstrView(context->userName)));
                Replace(&context->password, MaskSecret(BstrView(context->password)));
            }
            return;
        default:
            return;
    }
}

}  // namespace paravue::capture
