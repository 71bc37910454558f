// What an enumeration's values read as in the report: one table per
// enumeration, keyed by the platform's names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "platform/mbn.h"
#include "report/report_text.h"

namespace paravue {

template <class Enum, class Text>
struct Named {
    Enum value;
    Text text;
};

// The text for `value`, compared as an unsigned 32-bit number, or `otherwise`
// for a value the table does not name.
template <class Enum, class Text, std::size_t N>
constexpr Text TextFor(const Named<Enum, Text> (&table)[N], Enum value,
                       std::type_identity_t<Text> otherwise) {
    for (const Named<Enum, Text>& entry : table)
        if (static_cast<std::uint32_t>(entry.value) == static_cast<std::uint32_t>(value))
            return entry.text;
    return otherwise;
}

// Appends the whole line that the table gives `value`, else `otherwise`;
// nothing when that is empty.
template <class Enum, std::size_t N>
void AppendLineFor(ReportText& text, const Named<Enum, report_format::Format<>> (&table)[N],
                   Enum value, report_format::Format<> otherwise = {}) {
    const report_format::Format<> line = TextFor(table, value, otherwise);
    if (!line.Text().empty())
        text.Append(line);
}

// Where every value line puts its value, and every list line its name.
inline constexpr std::size_t kValueColumn = 35;

// The value a whole value line or list line shows: from the value column to
// the line end.
inline std::u16string_view ValueOf(report_format::Format<> line) {
    std::u16string_view text = line.Text();
    text.remove_prefix(kValueColumn);
    text.remove_suffix(2);  // CR LF
    return text;
}

// The names of the states and classes the report shows, shared by the report
// sections and the metrics. Whole lines where the report writes a whole line
// per value; ValueOf reads the name back out of such a line.

// One list line per data-class bit; AppendDataClassList keeps this order.
inline constexpr Named<MBN_DATA_CLASS, report_format::Format<>> kDataClassLines[] = {
    {MBN_DATA_CLASS_GPRS, u"                                   GPRS\r\n"},
    {MBN_DATA_CLASS_EDGE, u"                                   EDGE\r\n"},
    {MBN_DATA_CLASS_UMTS, u"                                   UMTS\r\n"},
    {MBN_DATA_CLASS_HSDPA, u"                                   HSDPA\r\n"},
    {MBN_DATA_CLASS_HSUPA, u"                                   HSUPA\r\n"},
    {MBN_DATA_CLASS_LTE, u"                                   LTE\r\n"},
    {MBN_DATA_CLASS_1XRTT, u"                                   1XRTT\r\n"},
    {MBN_DATA_CLASS_1XEVDO, u"                                   1XEVDO\r\n"},
    {MBN_DATA_CLASS_1XEVDO_REVA, u"                                   1XEVDO_REVA\r\n"},
    {MBN_DATA_CLASS_1XEVDV, u"                                   1XEVDV\r\n"},
    {MBN_DATA_CLASS_3XRTT, u"                                   3XRTT\r\n"},
    {MBN_DATA_CLASS_1XEVDO_REVB, u"                                   1XEVDO_REVB\r\n"},
    {MBN_DATA_CLASS_UMB, u"                                   UMB\r\n"},
    {MBN_DATA_CLASS_CUSTOM, u"                                   CUSTOM\r\n"},
};

// A register state outside the table reads as this line.
inline constexpr report_format::Format<> kRegisterStateUnknownLine =
    u"Register State                     Unknown\r\n";
inline constexpr Named<MBN_REGISTER_STATE, report_format::Format<>> kRegisterStateLines[] = {
    {MBN_REGISTER_STATE_NONE, u"Register State                     NONE\r\n"},
    {MBN_REGISTER_STATE_DEREGISTERED, u"Register State                     DEREGISTERED\r\n"},
    {MBN_REGISTER_STATE_SEARCHING, u"Register State                     SEARCHING\r\n"},
    {MBN_REGISTER_STATE_HOME, u"Register State                     HOME\r\n"},
    {MBN_REGISTER_STATE_ROAMING, u"Register State                     ROAMING\r\n"},
    {MBN_REGISTER_STATE_PARTNER, u"Register State                     PARTNER\r\n"},
    {MBN_REGISTER_STATE_DENIED, u"Register State                     DENIED\r\n"},
};

// A ready state beyond the table writes no line.
inline constexpr Named<MBN_READY_STATE, report_format::Format<>> kReadyStateLines[] = {
    {MBN_READY_STATE_OFF, u"Ready State                        OFF\r\n"},
    {MBN_READY_STATE_INITIALIZED, u"Ready State                        INITIALIZED\r\n"},
    {MBN_READY_STATE_SIM_NOT_INSERTED, u"Ready State                        SIM_NOT_INSERTED\r\n"},
    {MBN_READY_STATE_BAD_SIM, u"Ready State                        BAD_SIM\r\n"},
    {MBN_READY_STATE_FAILURE, u"Ready State                        FAILURE\r\n"},
    {MBN_READY_STATE_NOT_ACTIVATED, u"Ready State                        NOT_ACTIVATED\r\n"},
    {MBN_READY_STATE_DEVICE_LOCKED, u"Ready State                        DEVICE_LOCKED\r\n"},
    {MBN_READY_STATE_DEVICE_BLOCKED, u"Ready State                        DEVICE_BLOCKED\r\n"},
};

inline constexpr const char16_t* kActivationStateUnknown = u"Unknown";
inline constexpr Named<MBN_ACTIVATION_STATE, const char16_t*> kActivationStates[] = {
    {MBN_ACTIVATION_STATE_NONE, u"None"},
    {MBN_ACTIVATION_STATE_ACTIVATED, u"Activated"},
    {MBN_ACTIVATION_STATE_ACTIVATING, u"Activating"},
    {MBN_ACTIVATION_STATE_DEACTIVATED, u"Deactivated"},
    {MBN_ACTIVATION_STATE_DEACTIVATING, u"Deactivating"},
};

}  // namespace paravue
