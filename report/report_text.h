// The report text: the UTF-16 string that one report run fills line by line,
// and the three ways a section adds to it.
//
// Append is printf-shaped but checked at compile time: the format is a
// char16_t literal whose only conversions are
//   %s   a string: BSTR / const char16_t* (null prints "(null)") or a
//        u16string(_view); printed up to its first NUL
//   %ld  a 32-bit integer or a 32-bit enumeration, printed signed
//   %d   a 32-bit signed integer
//   %x   a status (HRESULT or 32-bit unsigned), lowercase hex, no leading zeros
// and every argument must match its conversion; anything else does not compile.
// When memory runs out Append throws std::bad_alloc and leaves the text it had
// untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/com.h"
#include "report/append_fault.h"

namespace paravue {

namespace report_format {

enum class Conversion { String, Long, Int, Hex };

// One argument, reduced to what its conversion prints.
struct Argument {
    std::u16string_view text;  // %s: up to the first NUL, or "(null)"
    std::int32_t number = 0;   // %ld, %d, %x: the bits of the value
};

template <class T>
inline constexpr bool kIsStringArgument =
    std::is_same_v<T, char16_t*> || std::is_same_v<T, const char16_t*> ||
    std::is_same_v<T, std::u16string_view> || std::is_same_v<T, std::u16string>;

template <class T>
constexpr bool Is32BitInteger() {
    if constexpr (std::is_enum_v<T>) {
        return sizeof(std::underlying_type_t<T>) == 4;
    } else {
        return std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::uint32_t>;
    }
}

// Whether an argument of type T may stand for `conversion`.
template <class T>
constexpr bool Accepts(Conversion conversion) {
    switch (conversion) {
        case Conversion::String:
            return kIsStringArgument<T>;
        case Conversion::Long:
            return Is32BitInteger<T>();
        case Conversion::Int:
            return std::is_same_v<T, std::int32_t>;
        case Conversion::Hex:
            return std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::uint32_t>;
    }
    return false;
}

// Reads the conversion that starts at format[at] (a '%'); advances `at` past it.
// False for anything that is not one of the four conversions.
constexpr bool ReadConversion(std::u16string_view format, std::size_t& at, Conversion& out) {
    std::u16string_view rest = format.substr(at);
    if (rest.starts_with(u"%ld")) {
        out = Conversion::Long;
        at += 3;
    } else if (rest.starts_with(u"%d")) {
        out = Conversion::Int;
        at += 2;
    } else if (rest.starts_with(u"%s")) {
        out = Conversion::String;
        at += 2;
    } else if (rest.starts_with(u"%x")) {
        out = Conversion::Hex;
        at += 2;
    } else {
        return false;
    }
    return true;
}

// True when `format` has exactly one conversion per argument type, in order,
// and each argument type fits its conversion.
template <class... Args>
constexpr bool FormatMatches(std::u16string_view format) {
    constexpr std::size_t kCount = sizeof...(Args);
    using Check = bool (*)(Conversion);
    const std::array<Check, kCount + 1> checks = {&Accepts<Args>..., nullptr};
    std::size_t used = 0;
    for (std::size_t at = 0; at < format.size();) {
        if (format[at] != u'%') {
            ++at;
            continue;
        }
        Conversion conversion{};
        if (!ReadConversion(format, at, conversion))
            return false;
        if (used == kCount || !checks[used](conversion))
            return false;
        ++used;
    }
    return used == kCount;
}

// Called only when a format does not fit its arguments: not constexpr, so the
// consteval constructor below cannot complete and the call does not compile.
void FormatDoesNotMatchArguments();

template <class... Args>
class Format {
  public:
    // No text: for a line that a caller may leave out.
    constexpr Format() = default;
    template <std::size_t N>
    consteval Format(const char16_t (&text)[N]) : text_(text, N - 1) {
        if (!FormatMatches<Args...>(text_))
            FormatDoesNotMatchArguments();
    }
    std::u16string_view Text() const { return text_; }

  private:
    std::u16string_view text_;
};

inline Argument MakeArgument(const char16_t* text) {
    return {text ? std::u16string_view(text) : std::u16string_view(u"(null)")};
}
// Views the caller's string; nothing is copied.
inline Argument MakeArgument(std::u16string_view text) {
    return {text.substr(0, text.find(u'\0'))};
}
template <class T>
requires(std::is_integral_v<T> || std::is_enum_v<T>) Argument MakeArgument(T value) {
    return {{}, static_cast<std::int32_t>(value)};
}

}  // namespace report_format

class ReportText {
  public:
    // `fault`, when given, must outlive the text.
    explicit ReportText(AppendFault* fault = nullptr) : fault_(fault) {}

    template <class... Args>
    void Append(report_format::Format<std::decay_t<Args>...> format, Args&&... args) {
        const std::array<report_format::Argument, sizeof...(Args)> arguments = {
            report_format::MakeArgument(args)...};
        AppendChecked(format.Text(), arguments);
    }
    // One list line per known data-class bit that is set, in a fixed order.
    void AppendDataClassList(ULONG flags);
    // "NONE" for an empty mask, else one list line per known provider-state bit.
    void AppendProviderStateList(ULONG flags);

    const std::u16string& Text() const { return text_; }
    std::u16string Take() { return std::move(text_); }

  private:
    // Formats and appends; the conversions were checked when the format was made.
    void AppendChecked(std::u16string_view format,
                       std::span<const report_format::Argument> arguments);

    std::u16string text_;
    AppendFault* fault_;
};

}  // namespace paravue
