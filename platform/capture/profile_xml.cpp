// Redaction of a connection profile's XML text: parsed with expat, rewritten
// node by node, so that what is masked is what an XML reader would read.
#include <expat.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/capture/redaction.h"
#include "platform/utf.h"

namespace paravue::capture {
namespace {

// The elements whose text and same-named attributes are masked.
struct MaskRule {
    std::string_view name;
    std::size_t kept;  // for a prefix mask
    bool secret;       // "********" instead
};
constexpr MaskRule kMaskRules[] = {
    {"SubscriberID", kSubscriberIdKept, false},
    {"SimIccID", kSimIccIdKept, false},
    {"UserName", 0, true},
    {"Password", 0, true},
};

// Elements that hold a setting of the profile (a flag, a mode, the access
// string, the operator's name), kept for support to see; any other element's
// text may be anything and is pseudonymized. Name holds the profile's name.
constexpr std::string_view kSettings[] = {
    "IsDefault",   "ProfileCreationType", "ConnectionMode", "AutoConnectOnInternet", "AccessString",
    "Compression", "AuthProtocol",        "IPType",         "HomeProviderName",
};

std::string_view LocalName(std::string_view qualified) {
    std::size_t colon = qualified.rfind(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

const MaskRule* MaskRuleFor(std::string_view qualified) {
    std::string_view local = LocalName(qualified);
    for (const MaskRule& rule : kMaskRules)
        if (local == rule.name)
            return &rule;
    return nullptr;
}

// How an element's text is shown: pseudonymized under this stem, or kept (a
// setting).
std::optional<Redaction::Stem> StemOf(std::string_view qualified) {
    std::string_view local = LocalName(qualified);
    if (local == "Name")
        return Redaction::Stem::Profile;
    if (std::find(std::begin(kSettings), std::end(kSettings), local) != std::end(kSettings))
        return std::nullopt;
    return Redaction::Stem::Text;
}

std::u16string Mask(const MaskRule& rule, std::u16string_view text) {
    return rule.secret ? MaskSecret(text) : MaskKeeping(text, rule.kept);
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '\r')
            out += "&#13;";  // a literal CR would read back as LF
        else if (attribute && c == '"')
            out += "&quot;";
        else if (attribute && c == '\n')
            out += "&#10;";
        else if (attribute && c == '\t')
            out += "&#9;";
        else
            out += c;
    }
}

void AppendText(std::string& out, std::string_view text, bool cdata) {
    if (cdata && text.find("]]>") == std::string_view::npos) {
        out += "<![CDATA[";
        out += text;
        out += "]]>";
    } else {
        AppendEscaped(out, text, false);
    }
}

// One pass of the parser over a profile, writing the redacted copy.
class Rewriter {
  public:
    explicit Rewriter(Redaction& redaction) : redaction_(redaction) {}

    // The redacted document, or nothing when it cannot be read safely. What a
    // handler threw (memory running out) is thrown again here.
    std::optional<std::string> Run(std::string_view document) {
        if (document.size() > INT_MAX)
            return std::nullopt;
        XML_Parser parser = XML_ParserCreate("UTF-8");
        if (!parser)
            throw std::bad_alloc();
        parser_ = parser;
        XML_SetUserData(parser, this);
        XML_SetXmlDeclHandler(parser, &Handler<&Rewriter::Declaration>::Call);
        XML_SetStartDoctypeDeclHandler(parser, &Handler<&Rewriter::Doctype>::Call);
        XML_SetEntityDeclHandler(parser, &Handler<&Rewriter::Entity>::Call);
        XML_SetElementHandler(parser, &Handler<&Rewriter::Start>::Call,
                              &Handler<&Rewriter::End>::Call);
        XML_SetCharacterDataHandler(parser, &Handler<&Rewriter::Text>::Call);
        XML_SetCdataSectionHandler(parser, &Handler<&Rewriter::CdataStart>::Call,
                                   &Handler<&Rewriter::CdataEnd>::Call);
        // Comments and processing instructions have no handler: they are left
        // out.
        const XML_Status status =
            XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1);
        XML_ParserFree(parser);
        if (failure_)
            std::rethrow_exception(failure_);
        if (status != XML_STATUS_OK || refused_)
            return std::nullopt;
        return std::move(out_);
    }

  private:
    struct Frame {
        std::string name;  // as written out
        std::optional<Redaction::Stem> stem;
    };
    // What an element with a masked name holds, gathered until it ends so
    // that its text is masked as one value, however it is split into nodes.
    struct Piece {
        std::string markup;
        std::u16string text;
        bool isText = false;
        bool cdata = false;
    };
    struct MaskedRegion {
        const MaskRule* rule;
        std::size_t depth;
        std::vector<Piece> pieces;
    };

    // The parser's handler for `Method`. Handlers run inside the C parser: an
    // exception must not cross it, so it is kept until the parser returns.
    template <auto Method>
    struct Handler;
    template <class... Args, void (Rewriter::*Method)(Args...)>
    struct Handler<Method> {
        static void XMLCALL Call(void* data, Args... args) {
            Rewriter& self = *static_cast<Rewriter*>(data);
            if (self.failure_)
                return;
            try {
                (self.*Method)(args...);
            } catch (...) {
                self.failure_ = std::current_exception();
                XML_StopParser(self.parser_, XML_FALSE);
            }
        }
    };

    void Declaration(const XML_Char*, const XML_Char* encoding, int standalone) {
        out_ += "<?xml version=\"1.0\"";
        // Any other name is free text, and says nothing of a text that the
        // service hands out as UTF-16 anyway.
        if (encoding && (EqualIgnoringAsciiCase(Utf8ToUtf16(encoding), u"UTF-16") ||
                         EqualIgnoringAsciiCase(Utf8ToUtf16(encoding), u"UTF-8"))) {
            out_ += " encoding=\"";
            out_ += encoding;
            out_ += '"';
        }
        if (standalone == 1)
            out_ += " standalone=\"yes\"";
        else if (standalone == 0)
            out_ += " standalone=\"no\"";
        out_ += "?>";
    }

    // A DTD can define entities that put text where no element name shows
    // it: such a document is not copied at all.
    void Doctype(const XML_Char*, const XML_Char*, const XML_Char*, int) { Refuse(); }
    void Entity(const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                const XML_Char*, const XML_Char*) {
        Refuse();
    }
    void Refuse() {
        refused_ = true;
        XML_StopParser(parser_, XML_FALSE);
    }

    void Text(const XML_Char* text, int length) {
        text_.append(text, static_cast<std::size_t>(length));
    }
    void CdataStart() {
        FlushText();
        inCdata_ = true;
    }
    void CdataEnd() {
        FlushText(true);
        inCdata_ = false;
    }

    // A name as written out: known identifiers in it masked with 'X', which
    // keeps it a name.
    std::string OutName(std::string_view name) const {
        return Utf16ToUtf8(redaction_.KeptText(Utf8ToUtf16(name)));
    }

    std::u16string AttributeValue(std::string_view name, std::string_view value) {
        std::u16string text = Utf8ToUtf16(value);
        if (name == "xmlns" || name.starts_with("xmlns:"))
            return redaction_.KeptText(text);
        if (const MaskRule* rule = MaskRuleFor(name))
            return Mask(*rule, text);
        return redaction_.Pseudonym(text, Redaction::Stem::Value);
    }

    void Emit(std::string markup) {
        if (region_)
            region_->pieces.push_back({std::move(markup), {}, false, false});
        else
            out_ += markup;
    }

    void CloseStartTag() {
        if (tagOpen_) {
            tagOpen_ = false;
            Emit(">");
        }
    }

    void Start(const XML_Char* name, const XML_Char** attributes) {
        FlushText();
        CloseStartTag();
        if (const MaskRule* rule = MaskRuleFor(name); rule && !region_)
            region_ = MaskedRegion{rule, stack_.size(), {}};
        // Appended rather than "<" + name: GCC 12 at -O3 warns falsely
        // (-Wrestrict) about the prepend.
        std::string markup(1, '<');
        markup += OutName(name);
        for (const XML_Char** a = attributes; *a; a += 2) {
            markup += ' ';
            markup += OutName(a[0]);
            markup += "=\"";
            AppendEscaped(markup, Utf16ToUtf8(AttributeValue(a[0], a[1])), true);
            markup += '"';
        }
        stack_.push_back({OutName(name), StemOf(name)});
        Emit(std::move(markup));
        tagOpen_ = true;
    }

    void End(const XML_Char*) {
        FlushText();
        if (tagOpen_) {
            tagOpen_ = false;
            Emit("/>");
        } else {
            Emit("</" + stack_.back().name + ">");
        }
        stack_.pop_back();
        if (region_ && stack_.size() == region_->depth)
            CloseRegion();
    }

    // The text gathered since the last markup, as one node. A CDATA section
    // is a node even when empty.
    void FlushText(bool cdataEnd = false) {
        if (text_.empty() && !cdataEnd)
            return;
        CloseStartTag();
        std::string text = std::move(text_);
        text_.clear();
        const bool cdata = inCdata_;
        if (region_) {
            region_->pieces.push_back({{}, Utf8ToUtf16(text), true, cdata});
            return;
        }
        const bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
        std::u16string shown = Utf8ToUtf16(text);
        if (!blank && !stack_.empty()) {
            const std::optional<Redaction::Stem>& stem = stack_.back().stem;
            shown = stem ? redaction_.Pseudonym(shown, *stem) : redaction_.KeptText(shown);
        }
        AppendText(out_, Utf16ToUtf8(shown), cdata);
    }

    // Masks the region's text as one value and writes the region out: a
    // prefix mask keeps each node's length; a secret goes in the first node
    // that had text, and the others are emptied.
    void CloseRegion() {
        MaskedRegion region = std::move(*region_);
        region_.reset();
        std::u16string all;
        for (const Piece& piece : region.pieces)
            all += piece.text;
        const std::u32string masked = CodePoints(Mask(*region.rule, all));
        std::size_t taken = 0;
        bool secretPlaced = false;
        for (Piece& piece : region.pieces) {
            if (!piece.isText) {
                out_ += piece.markup;
                continue;
            }
            std::u16string shown;
            if (region.rule->secret) {
                if (!piece.text.empty() && !secretPlaced) {
                    shown = FromCodePoints(masked);
                    secretPlaced = true;
                }
            } else {
                // The mask has a character for each of the text's, and a
                // node's share ends where its own text ends.
                const std::size_t end =
                    std::min(masked.size(), taken + CodePoints(piece.text).size());
                shown = FromCodePoints(std::u32string_view(masked).substr(taken, end - taken));
                taken = end;
            }
            AppendText(out_, Utf16ToUtf8(shown), piece.cdata);
        }
    }

    Redaction& redaction_;
    XML_Parser parser_ = nullptr;
    std::string out_;
    std::vector<Frame> stack_;
    std::optional<MaskedRegion> region_;
    std::string text_;
    bool inCdata_ = false;
    bool tagOpen_ = false;
    bool refused_ = false;
    std::exception_ptr failure_;
};

}  // namespace

std::u16string Redaction::ProfileXml(std::u16string_view xml) {
    if (xml.empty())
        return {};
    std::optional<std::string> rewritten = Rewriter(*this).Run(Utf16ToUtf8(xml));
    if (!rewritten)
        return std::u16string(kWithheldProfileXml);
    return Utf8ToUtf16(*rewritten);
}

}  // namespace paravue::capture
