// What an enumeration's values read as in the report: one table per
// enumeration, keyed by the platform's names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

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

}  // namespace paravue
