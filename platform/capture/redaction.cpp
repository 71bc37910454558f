#include "platform/capture/redaction.h"

#include <algorithm>
#include <array>
#include <new>
#include <regex>

#include "platform/bstr.h"
#include "platform/utf.h"

namespace paravue::capture {
namespace {

// Identifiers shorter than this are not looked for inside other text: they
// identify no one, and would mask half of every version number.
constexpr std::size_t kShortestKnown = 5;
// A telephone number is also looked for by its last digits, as it is written
// without the country code.
constexpr std::size_t kNumberTail = 8;

// Code points with a decimal digit value. Most come as the digits 0 to 9 in
// order, named here by their zero; the others as runs whose values count up
// from `first` (wrapping at 10).
constexpr char32_t kDigitZeros[] = {
    0x30,    0x660,   0x6F0,   0x7C0,   0x966,   0x9E6,   0xA66,   0xAE6,   0xB66,
    0xBE6,   0xC66,   0xCE6,   0xD66,   0xDE6,   0xE50,   0xED0,   0xF20,   0x1040,
    0x1090,  0x17E0,  0x1810,  0x1946,  0x19D0,  0x1A80,  0x1A90,  0x1B50,  0x1BB0,
    0x1C40,  0x1C50,  0x2080,  0xA620,  0xA8D0,  0xA900,  0xA9D0,  0xA9F0,  0xAA50,
    0xABF0,  0xFF10,  0x104A0, 0x10D30, 0x11066, 0x110F0, 0x11136, 0x111D0, 0x112F0,
    0x11450, 0x114D0, 0x11650, 0x116C0, 0x11730, 0x118E0, 0x11950, 0x11C50, 0x11D50,
    0x11DA0, 0x16A60, 0x16AC0, 0x16B50, 0x1E140, 0x1E2F0, 0x1E950, 0x1F101, 0x1FBF0};
struct DigitRun {
    char32_t start, end;
    int first;
};
constexpr DigitRun kOtherDigits[] = {
    {0xB2, 0xB3, 2},       {0xB9, 0xB9, 1},       {0x1369, 0x1371, 1},   {0x19DA, 0x19DA, 1},
    {0x2070, 0x2070, 0},   {0x2074, 0x2079, 4},   {0x2460, 0x2468, 1},   {0x2474, 0x247C, 1},
    {0x2488, 0x2490, 1},   {0x24EA, 0x24EA, 0},   {0x24F5, 0x24FD, 1},   {0x24FF, 0x24FF, 0},
    {0x2776, 0x277E, 1},   {0x2780, 0x2788, 1},   {0x278A, 0x2792, 1},   {0x10A40, 0x10A43, 1},
    {0x10E60, 0x10E68, 1}, {0x11052, 0x1105A, 1}, {0x1D7CE, 0x1D7FF, 0}, {0x1F100, 0x1F100, 0}};

// The digit's value, or -1.
int DigitValue(char32_t c) {
    auto zero = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), c);
    if (zero != std::begin(kDigitZeros) && c - zero[-1] < 10)
        return static_cast<int>(c - zero[-1]);
    for (const DigitRun& run : kOtherDigits)
        if (c >= run.start && c <= run.end)
            return static_cast<int>((run.first + (c - run.start)) % 10);
    return -1;
}

// Digits as ASCII digits and A-Z as a-z, for matching.
char32_t Folded(char32_t c) {
    if (int digit = DigitValue(c); digit >= 0)
        return U'0' + static_cast<char32_t>(digit);
    return AsciiLower(c);
}

// What may stand between the digits of a number as written.
bool IsNumberSeparator(char32_t c) {
    constexpr std::u32string_view kSeparators =
        U" \t-.()/\u00A0\u2010\u2011\u2012\u2013\u2212\u202F\u3000";
    return kSeparators.find(c) != std::u32string_view::npos || (c >= 0x2000 && c <= 0x200A);
}

bool AllAsciiDigits(std::u32string_view text) {
    return std::all_of(text.begin(), text.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; });
}

// By Redaction::Stem.
constexpr std::u16string_view kStemTexts[] = {u"interface-", u"connection-", u"profile-",
                                              u"adapter-",   u"text-",       u"value-"};

}  // namespace

std::u16string MaskKeeping(std::u16string_view text, std::size_t kept) {
    std::u32string points = CodePoints(text);
    if (points.size() < 2 * kept)
        kept = 0;  // a mask hides at least half
    std::fill(points.begin() + static_cast<std::ptrdiff_t>(kept), points.end(), U'X');
    return FromCodePoints(points);
}

std::u16string MaskDigits(std::u16string_view text) {
    std::u32string points = CodePoints(text);
    std::replace_if(
        points.begin(), points.end(), [](char32_t c) { return DigitValue(c) >= 0; }, U'X');
    return FromCodePoints(points);
}

std::u16string MaskSecret(std::u16string_view text) {
    return text.empty() ? std::u16string() : std::u16string(u"********");
}

bool IsKernelNetDeviceName(std::u16string_view name) {
    // IFNAMSIZ bounds the names; the bound also keeps the pattern's work small.
    constexpr std::size_t kLongestName = 15;
    if (name.empty() || name.size() > kLongestName ||
        std::any_of(name.begin(), name.end(), [](char16_t c) { return c > 0x7F; }))
        return false;
    const std::string ascii(name.begin(), name.end());
    // Names drivers give (wwan0, rmnet_data0) and the names by bus path or
    // index that udev gives (enp0s3, eno1, wwp0s20f0u6i12). Not enx<MAC>.
    static const std::regex kPattern(
        "(wwan|usb|eth|wlan|ppp|rmnet|rmnet_data|rmnet_usb|rmnet_ipa|mhi_hwip|mhi_swip|qmimux)"
        "[0-9]+"
        "|(en|wl|ww|sl|ib)(o[0-9]+|v[0-9]+|s[0-9]+(f[0-9]+)?|(P[0-9]+)?p[0-9]+s[0-9]+(f[0-9]+)?"
        "(u[0-9]+(\\.[0-9]+)*(c[0-9]+)?(i[0-9]+)?)?)(d[0-9]+)?");
    return std::regex_match(ascii, kPattern);
}

std::u16string Redaction::Masked(std::u16string_view id, std::size_t kept) {
    std::u32string folded = CodePoints(id);
    std::transform(folded.begin(), folded.end(), folded.begin(), Folded);
    if (folded.size() >= kShortestKnown)
        known_.push_back(std::move(folded));
    return MaskKeeping(id, kept);
}

std::u16string Redaction::TelephoneNumber(std::u16string_view number) {
    std::u32string digits;
    for (char32_t c : CodePoints(number))
        if (int value = DigitValue(c); value >= 0)
            digits.push_back(U'0' + static_cast<char32_t>(value));
    if (digits.size() >= kShortestKnown)
        known_.push_back(digits);
    if (digits.size() > kNumberTail)
        known_.push_back(digits.substr(digits.size() - kNumberTail));
    return MaskDigits(number);
}

std::u16string Redaction::Pseudonym(std::u16string_view value, Stem stem) {
    if (value.empty())
        return {};
    const bool isNetName =
        stem == Stem::Interface || stem == Stem::Connection || stem == Stem::Adapter;
    // Folded first: the adapter look-up matches names whatever their A-Z
    // case, so "WWAN0" must stay beside a kept "wwan0" for the match to hold.
    std::u16string folded(value);
    std::transform(folded.begin(), folded.end(), folded.begin(), AsciiLower);
    if (isNetName && IsKernelNetDeviceName(folded))
        return std::u16string(value);
    auto [entry, added] = pseudonyms_.try_emplace(std::move(folded));
    if (added) {
        std::string number = std::to_string(++counts_[stem]);
        entry->second = std::u16string(kStemTexts[static_cast<std::size_t>(stem)]) +
                        std::u16string(number.begin(), number.end());
    }
    return entry->second;
}

std::u16string Redaction::KeptText(std::u16string_view text) const {
    if (known_.empty())
        return std::u16string(text);
    std::u32string shown = CodePoints(text);
    std::u32string folded(shown.size(), U'\0');
    std::transform(shown.begin(), shown.end(), folded.begin(), Folded);
    for (const std::u32string& needle : known_) {
        // A number may be written with separators between its digits.
        const bool number = AllAsciiDigits(needle);
        for (std::size_t start = 0; start < folded.size(); ++start) {
            std::size_t at = start, matched = 0;
            while (matched < needle.size() && at < folded.size()) {
                if (folded[at] == needle[matched]) {
                    ++matched;
                    ++at;
                } else if (number && matched > 0 && IsNumberSeparator(folded[at])) {
                    ++at;
                } else {
                    break;
                }
            }
            if (matched < needle.size())
                continue;
            for (std::size_t i = start; i < at; ++i)
                if (!number || !IsNumberSeparator(folded[i]))
                    shown[i] = U'X';
        }
    }
    return FromCodePoints(shown);
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
        std::fill_n(*text, old.size(), u'*');
        return;
    }
    SysFreeString(*text);
    *text = fresh;
}

struct Slot {
    BSTR* text = nullptr;
    Text kind = Text::None;
};

// Identifiers teach the redaction what to mask in the text beside them.
bool IsIdentifier(Text kind) {
    return kind == Text::SubscriberId || kind == Text::SimIccId || kind == Text::DeviceId ||
           kind == Text::PhoneNumber;
}

// The strings of an answer in the order they are redacted: identifiers before
// the text they may turn up in. Fixed in size: it also serves when memory ran
// out.
struct Slots {
    std::array<Slot, 6> items{};
    std::size_t count = 0;

    void Add(BSTR* text, Text kind) {
        if (kind == Text::None)
            return;
        items[count++] = {text, kind};
        std::stable_partition(items.begin(), items.begin() + count,
                              [](const Slot& slot) { return IsIdentifier(slot.kind); });
    }
    template <class Other>
    void Add(Other*, Text) {}
    const Slot* begin() const { return items.data(); }
    const Slot* end() const { return items.data() + count; }
};

// A string, a value without text, or a record (its strings as mbn_getters.h
// describes them).
template <class T>
Slots SlotsOf(T* value, Text kind) {
    Slots slots;
    slots.Add(value, kind);
    return slots;
}
#define PARAVUE_RECORD_SLOT(Out, Type, field, text) slots.Add(&record->field, Text::text);
#define PARAVUE_RECORD_SLOTS(Record, Name, FIELDS) \
    Slots SlotsOf(Record* record, Text) {          \
        Slots slots;                               \
        FIELDS(PARAVUE_RECORD_SLOT)                \
        return slots;                              \
    }
PARAVUE_MBN_RECORDS(PARAVUE_RECORD_SLOTS)
Slots SlotsOf(intercept::ConnectionStateOut* state, Text) {
    Slots slots;
#define PARAVUE_STATE_SLOT(Out, Type, field, text) slots.Add(state->field, Text::text);
    PARAVUE_CONNECTION_STATE_FIELDS(PARAVUE_STATE_SLOT)
    return slots;
}
Slots SlotsOf(const intercept::Call& call, void* out) {
    using intercept::Op;
    // An element is what the getter that handed out its array lists.
    Op op = call.op == Op::ArrayElement ? call.array.value_or(call.op) : call.op;
    switch (op) {
#define PARAVUE_SLOTS(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_SLOTS_##kind(Name, Out, text)
#define PARAVUE_SLOTS_VALUE(Name, Out, text) \
    case Op::Name:                           \
        return SlotsOf(static_cast<Out*>(out), Text::text);
#define PARAVUE_SLOTS_ARRAY(Name, Out, text) \
    case Op::Name:                           \
        return call.op == Op::ArrayElement ? SlotsOf(static_cast<Out*>(out), Text::text) : Slots{};
#define PARAVUE_SLOTS_STATE(Name, Out, text) \
    case Op::Name:                           \
        return SlotsOf(static_cast<intercept::ConnectionStateOut*>(out), Text::text);
#define PARAVUE_SLOTS_PART(Name, Out, text)
#define PARAVUE_SLOTS_QUERY(Name, Out, text)
#define PARAVUE_SLOTS_LISTED(Name, Out, text)
        PARAVUE_MBN_GETTERS(PARAVUE_SLOTS)
        default:
            return {};
    }
}

std::u16string Redacted(Redaction& redaction, const Slot& slot, std::u16string_view text) {
    using Stem = Redaction::Stem;
    switch (slot.kind) {
        case Text::SubscriberId:
            return redaction.SubscriberId(text);
        case Text::SimIccId:
            return redaction.SimIccId(text);
        case Text::DeviceId:
            return redaction.DeviceId(text);
        case Text::PhoneNumber:
            return redaction.TelephoneNumber(text);
        case Text::Secret:
            return MaskSecret(text);
        case Text::ProfileXml:
            return redaction.ProfileXml(text);
        case Text::InterfaceName:
            return redaction.Pseudonym(text, Stem::Interface);
        case Text::ConnectionName:
            return redaction.Pseudonym(text, Stem::Connection);
        case Text::ProfileName:
            return redaction.Pseudonym(text, Stem::Profile);
        case Text::Kept:
        case Text::None:
            break;
    }
    return redaction.KeptText(text);
}

void RedactAdapters(Redaction& redaction, std::vector<AdapterRecord>& records) {
    for (AdapterRecord& record : records) {
        if (record.name)
            record.name = Utf16ToUtf8(
                redaction.Pseudonym(Utf8ToUtf16(*record.name), Redaction::Stem::Adapter));
        record.description = redaction.KeptText(record.description);
    }
}

// What is left when memory runs out on the way: nothing of the answer's text.
void Scrub(const intercept::Call& call, void* out) {
    if (call.op == intercept::Op::ListAdapters) {
        for (AdapterRecord& record : *static_cast<std::vector<AdapterRecord>*>(out)) {
            if (record.name)
                std::fill(record.name->begin(), record.name->end(), '*');
            std::fill(record.description.begin(), record.description.end(), u'*');
        }
        return;
    }
    for (const Slot& slot : SlotsOf(call, out))
        if (slot.text && *slot.text)
            std::fill_n(*slot.text, SysStringLen(*slot.text), u'*');
}

}  // namespace

void Redactor::AfterCall(const intercept::Call& call, HRESULT status, void* out) {
    if (FAILED(status) || !out)
        return;
    std::lock_guard lock(mutex_);
    try {
        if (call.op == intercept::Op::ListAdapters) {
            RedactAdapters(redaction_, *static_cast<std::vector<AdapterRecord>*>(out));
            return;
        }
        for (const Slot& slot : SlotsOf(call, out))
            if (slot.text && *slot.text)
                Replace(slot.text, Redacted(redaction_, slot, BstrView(*slot.text)));
    } catch (const std::bad_alloc&) {
        Scrub(call, out);
    }
}

}  // namespace paravue::capture
