// The modems the service lists, and the choice of the one a report describes.
// Both programs take a modem by the same rules, all of them here: a selector
// is a position in the service's list (counted from 0), an interface ID or a
// device ID, each matched exactly and tried in that order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace paravue {

// Which of the service's interfaces a report run describes.
struct ModemChoice {
    std::int32_t position = 0;  // in the service's list, counted from 0
    // When set, the interface at `position` must still carry this ID: a list
    // that changed since it was read must not make the run describe another modem.
    std::optional<std::u16string> interfaceId;
};

// What the listing reads of one modem: the values as the report prints them,
// each up to its first NUL.
struct ModemSummary {
    std::int32_t position = 0;
    std::u16string interfaceId;
    std::u16string manufacturer;
    std::u16string model;
    std::u16string deviceId;
};

struct ModemListing {
    std::int32_t count = 0;            // how many interfaces the service listed
    std::vector<ModemSummary> modems;  // those read, in the service's order
    std::u16string text;               // one line per modem; a failure's line last
    bool completed = false;            // the run status ended exactly S_OK
    bool whole = false;                // every modem was read, or the service has none
    bool outOfMemory = false;
};

// One listing run: the interface manager, the list, and for every interface
// its ID and capabilities, with the report's own failure lines; the first
// failure ends it, as it ends a report. A line reads
// "Modem 0                            wwan0 | Maker | Model | 356938035643809".
ModemListing ListModems();

// The part of a listing line after its label: ID, manufacturer, model and device ID.
std::u16string ModemEntry(const ModemSummary& modem);

// The text of a BSTR-like string up to its first NUL; empty for null.
std::u16string TextUpToNul(const char16_t* text);

// Whether `selector` is the first modem's position: the run is then the
// default one, with nothing to resolve beforehand.
bool IsFirstPosition(std::string_view selector);

enum class SelectorProblem {
    None,
    NoMatch,     // nothing carries it
    Ambiguous,   // two modems carry it (as a device ID, or as an interface ID)
    CannotList,  // the listing failed before every modem was read
};

struct ModemSelection {
    std::optional<ModemChoice> choice;  // set when the selector names one modem
    SelectorProblem problem = SelectorProblem::None;
};

// Resolves `selector` (UTF-8) against a listing: a decimal number without
// leading zeros below the count is a position; else the one modem with that
// interface ID; else the one with that device ID.
ModemSelection ResolveSelector(std::string_view selector, const ModemListing& listing);

// The one line (without program name or line end) that says why `selector`
// named no modem and what is there, as `shown` lists it; printable on a terminal.
std::string SelectorMessage(std::string_view selector, SelectorProblem problem,
                            const ModemListing& shown);

}  // namespace paravue
