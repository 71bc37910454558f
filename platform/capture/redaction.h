// Redaction of personal identifiers, so that a user can hand out a report or a
// captured device. Identifiers whose shape helps support are masked; free text
// that may name someone gets a pseudonym; text describing the network or the
// model (manufacturer, provider names, access strings, adapter descriptions) is
// kept, with any identifier already masked masked in it.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/intercept/call.h"

namespace paravue::capture {

inline constexpr std::size_t kSubscriberIdKept = 5;
inline constexpr std::size_t kSimIccIdKept = 7;
inline constexpr std::size_t kDeviceIdKept = 8;

// `kept` leading characters stay only when at least `kept` characters follow;
// every other character (a code point, not a UTF-16 unit) becomes 'X'.
std::u16string MaskKeeping(std::u16string_view text, std::size_t kept);
std::u16string MaskDigits(std::u16string_view text);  // every Unicode digit
std::u16string MaskSecret(std::u16string_view text);  // "" stays ""

// A name the kernel gives a network device (wwan0, usb0, enp0s3,
// wwp0s20f0u6i12), which names a slot or a driver and no one; enx<MAC> holds a
// hardware address and is not one of them.
bool IsKernelNetDeviceName(std::u16string_view name);

// What one redaction has learnt: the pseudonyms it gave, and the identifiers
// it masked, which it masks again wherever they turn up. Not thread-safe.
class Redaction {
  public:
    enum class Stem { Interface, Connection, Profile, Adapter, Text, Value };

    // Masks an identifier (keeping its start; a number's every digit) and
    // learns it, to mask it wherever else it turns up.
    std::u16string SubscriberId(std::u16string_view id) { return Masked(id, kSubscriberIdKept); }
    std::u16string SimIccId(std::u16string_view id) { return Masked(id, kSimIccIdKept); }
    std::u16string DeviceId(std::u16string_view id) { return Masked(id, kDeviceIdKept); }
    std::u16string TelephoneNumber(std::u16string_view number);

    // The value's pseudonym ("" stays ""): a stem and a counter
    // ("interface-1"), the same for the same value within one redaction (A-Z
    // case aside, as the adapter look-up matches names that way). Interface and
    // connection IDs and adapter names that are kernel device names stay as
    // they are.
    std::u16string Pseudonym(std::u16string_view value, Stem stem);

    // Kept text with every known identifier in it masked.
    std::u16string KeptText(std::u16string_view text) const;

    // Well-formed profile XML without comments and processing instructions: all
    // text and attributes of SubscriberID, SimIccID, UserName and Password
    // elements (any prefix, any depth), and attributes of those names, masked
    // as their getters' values are; the text of Name and of elements not known
    // to hold settings, and attribute values other than namespace declarations,
    // pseudonymized. Text that does not parse or declares a DTD becomes
    // kWithheldProfileXml; "" stays "".
    std::u16string ProfileXml(std::u16string_view xml);

  private:
    std::u16string Masked(std::u16string_view id, std::size_t kept);

    std::map<std::u16string, std::u16string> pseudonyms_;  // by value, A-Z folded
    std::map<Stem, unsigned> counts_;
    std::vector<std::u32string> known_;  // identifiers as matched: digits as ASCII, A-Z folded
};

inline constexpr std::u16string_view kWithheldProfileXml =
    u"<Withheld reason=\"not well-formed, or declares a DTD\"/>";

// A client of the interception layer that masks and pseudonymizes what the
// service answers before anyone behind it (the report, a recorder) sees it.
class Redactor final : public intercept::Client {
  public:
    void AfterCall(const intercept::Call& call, HRESULT status, void* out) override;

  private:
    std::mutex mutex_;
    Redaction redaction_;
};

}  // namespace paravue::capture
