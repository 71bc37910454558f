#include "report/report_text.h"

#include <new>

#include "platform/mbn.h"
#include "report/enum_text.h"

namespace paravue {

namespace {

// Passes every piece of the formatted text to `emit`, in order.
template <class Emit>
void Expand(std::u16string_view format, std::span<const report_format::Argument> arguments,
            Emit&& emit) {
    std::size_t next = 0;
    std::size_t literalStart = 0;
    for (std::size_t at = 0; at < format.size();) {
        if (format[at] != u'%') {
            ++at;
            continue;
        }
        emit(format.substr(literalStart, at - literalStart));
        report_format::Conversion conversion{};
        report_format::ReadConversion(format, at, conversion);  // checked when compiled
        const report_format::Argument& argument = arguments[next++];
        char16_t digits[12];
        char16_t* end = digits + sizeof digits / sizeof digits[0];
        char16_t* begin = end;
        switch (conversion) {
            case report_format::Conversion::String:
                emit(argument.text);
                break;
            case report_format::Conversion::Long:
            case report_format::Conversion::Int: {
                std::int64_t value = argument.number;
                std::uint64_t magnitude = value < 0 ? -static_cast<std::uint64_t>(value)
                                                    : static_cast<std::uint64_t>(value);
                do {
                    *--begin = static_cast<char16_t>(u'0' + magnitude % 10);
                    magnitude /= 10;
                } while (magnitude != 0);
                if (value < 0)
                    *--begin = u'-';
                emit(std::u16string_view(begin, end - begin));
                break;
            }
            case report_format::Conversion::Hex: {
                std::uint32_t value = static_cast<std::uint32_t>(argument.number);
                do {
                    *--begin = u"0123456789abcdef"[value % 16];
                    value /= 16;
                } while (value != 0);
                emit(std::u16string_view(begin, end - begin));
                break;
            }
        }
        literalStart = at;
    }
    emit(format.substr(literalStart));
}

}  // namespace

void ReportText::AppendChecked(std::u16string_view format,
                               std::span<const report_format::Argument> arguments) {
    if (fault_ && ++fault_->counted == fault_->failAt)
        throw std::bad_alloc();

    std::size_t length = 0;
    Expand(format, arguments, [&](std::u16string_view piece) { length += piece.size(); });
    // Growing is the only step that can fail, and it keeps the text if it does.
    if (length > text_.max_size() - text_.size())
        throw std::bad_alloc();
    text_.reserve(text_.size() + length);
    Expand(format, arguments, [this](std::u16string_view piece) { text_.append(piece); });
}

namespace {

// Each list is a plain run of independent tests in table order, so the lines
// always come out in this order whatever order the service set the bits in.
constexpr Named<MBN_PROVIDER_STATE, report_format::Format<>> kProviderStateLines[] = {
    {MBN_PROVIDER_STATE_HOME, u"                                   HOME\r\n"},
    {MBN_PROVIDER_STATE_FORBIDDEN, u"                                   FORBIDDEN\r\n"},
    {MBN_PROVIDER_STATE_PREFERRED, u"                                   PREFERRED\r\n"},
    {MBN_PROVIDER_STATE_VISIBLE, u"                                   VISIBLE\r\n"},
    {MBN_PROVIDER_STATE_REGISTERED, u"                                   REGISTERED\r\n"},
};

}  // namespace

void ReportText::AppendDataClassList(ULONG flags) {
    for (const auto& [dataClass, line] : kDataClassLines)
        if (flags & dataClass)
            Append(line);
}

void ReportText::AppendProviderStateList(ULONG flags) {
    if (flags == MBN_PROVIDER_STATE_NONE)
        Append(u"                                   NONE\r\n");
    for (const auto& [state, line] : kProviderStateLines)
        if (flags & state)
            Append(line);
}

}  // namespace paravue
