#include "report/modems.h"

#include <algorithm>
#include <new>

#include "platform/utf.h"
#include "report/run.h"

namespace paravue {
namespace {

// "Modem 0" padded to the report's value column.
std::u16string ModemLabel(std::int32_t position) {
    std::u16string label = u"Modem " + Utf8ToUtf16(std::to_string(position));
    label.resize(std::max<std::size_t>(label.size() + 1, 35), u' ');
    return label;
}

// A decimal number as people write it: digits only, no sign, no leading zero.
std::optional<std::int64_t> Position(std::string_view selector) {
    if (selector.empty() || selector.size() > 10 || (selector.size() > 1 && selector[0] == '0'))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : selector) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The positions of the modems whose `field` is `value`.
std::vector<std::int32_t> Carrying(const ModemListing& listing, std::u16string ModemSummary::*field,
                                   const std::u16string& value) {
    std::vector<std::int32_t> found;
    for (const ModemSummary& modem : listing.modems)
        if (modem.*field == value)
            found.push_back(modem.position);
    return found;
}

std::string LastLine(const std::u16string& text) {
    std::u16string_view rest = text;
    if (rest.ends_with(u"\r\n"))
        rest.remove_suffix(2);
    const std::size_t start = rest.rfind(u"\r\n");
    return Utf16ToUtf8(start == std::u16string_view::npos ? rest : rest.substr(start + 2));
}

}  // namespace

std::u16string TextUpToNul(const char16_t* text) {
    return text ? std::u16string(text) : std::u16string();
}

std::u16string ModemEntry(const ModemSummary& modem) {
    return modem.interfaceId + u" | " + modem.manufacturer + u" | " + modem.model + u" | " +
           modem.deviceId;
}

ModemListing ListModems() {
    ModemListing listing;
    ReportText text;
    try {
        Run run(text);
        bool readAll = false;
        try {
            CreateInterfaceManager(run);
            const InterfaceList list = ListInterfaces(run);
            listing.count = list.count;
            for (std::int32_t position = 0; position < list.count; ++position) {
                const ComPtr<IMbnInterface> mbn = FetchInterface(run, list, position);
                const UniqueBstr interfaceId = ReadInterfaceId(run, *mbn.Get());
                OwnedRecord<MBN_INTERFACE_CAPS> caps;
                ReadCapabilities(run, *mbn.Get(), caps);
                const ModemSummary& modem = listing.modems.emplace_back(ModemSummary{
                    position, TextUpToNul(interfaceId.Get()), TextUpToNul(caps->manufacturer),
                    TextUpToNul(caps->model), TextUpToNul(caps->deviceID)});
                text.Append(u"%s%s\r\n", ModemLabel(position), ModemEntry(modem));
            }
            readAll = true;
        } catch (const RunEnded&) {
        }
        listing.completed = run.status == S_OK;
        // Besides a listing that went through, the two ways a service says it
        // has no modem: the no-device status, and an empty list.
        listing.whole = readAll || run.status == HRESULT_FROM_WIN32(ERROR_NOT_FOUND) ||
                        (run.status == S_OK && listing.count == 0);
    } catch (const std::bad_alloc&) {
        listing.outOfMemory = true;
        listing.whole = false;
    }
    listing.text = text.Take();
    return listing;
}

bool IsFirstPosition(std::string_view selector) {
    return selector == "0";
}

ModemSelection ResolveSelector(std::string_view selector, const ModemListing& listing) {
    if (!listing.whole || listing.outOfMemory)
        return {.choice = std::nullopt, .problem = SelectorProblem::CannotList};
    auto chosen = [&](std::int32_t position) {
        const ModemSummary& modem = listing.modems[static_cast<std::size_t>(position)];
        return ModemSelection{.choice = ModemChoice{position, modem.interfaceId},
                              .problem = SelectorProblem::None};
    };
    if (std::optional<std::int64_t> position = Position(selector);
        position && *position < listing.count)
        return chosen(static_cast<std::int32_t>(*position));
    const std::u16string text = Utf8ToUtf16(selector);
    for (auto field : {&ModemSummary::interfaceId, &ModemSummary::deviceId}) {
        const std::vector<std::int32_t> found = Carrying(listing, field, text);
        if (found.size() == 1)
            return chosen(found[0]);
        if (found.size() > 1)
            return {.choice = std::nullopt, .problem = SelectorProblem::Ambiguous};
    }
    return {.choice = std::nullopt, .problem = SelectorProblem::NoMatch};
}

std::string SelectorMessage(std::string_view selector, SelectorProblem problem,
                            const ModemListing& shown) {
    const std::string named = "--modem '" + std::string(selector) + "'";
    if (problem == SelectorProblem::CannotList)
        return PrintableText(
            "cannot find " + named + ": the modems cannot be listed: " +
            (shown.outOfMemory ? std::string("out of memory") : LastLine(shown.text)));
    std::string message = problem == SelectorProblem::Ambiguous
                              ? named +
                                    " names more than one modem; choose by position or "
                                    "interface ID; "
                              : "no modem matches " + named + "; ";
    if (shown.modems.empty()) {
        message += "there is none";
    } else {
        message += "the modems are ";
        for (const ModemSummary& modem : shown.modems) {
            if (modem.position > 0)
                message += "; ";
            message += std::to_string(modem.position) + ": " + Utf16ToUtf8(ModemEntry(modem));
        }
    }
    return PrintableText(message);
}

}  // namespace paravue
