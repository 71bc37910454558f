// Masking of personal identifiers, so that a user can hand out a report or a
// captured device without them. A mask keeps the length and the prefix that
// identifies no one (the network or the issuer): the subscriber ID keeps its
// first 5 characters, the SIM ICCID its first 7, the device ID its first 8,
// and every other character becomes 'X'; every digit of a telephone number
// becomes 'X'; a non-empty context user name or password becomes "********".
// In profile XML, the text of the elements SubscriberID, SimIccID, UserName and
// Password (with or without a namespace prefix) is masked by the same rules.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/intercept/call.h"

namespace paravue::capture {

inline constexpr std::size_t kSubscriberIdKept = 5;
inline constexpr std::size_t kSimIccIdKept = 7;
inline constexpr std::size_t kDeviceIdKept = 8;

std::u16string MaskKeeping(std::u16string_view text, std::size_t kept);
std::u16string MaskDigits(std::u16string_view text);
std::u16string MaskSecret(std::u16string_view text);  // "" stays ""
std::u16string MaskProfileXml(std::u16string_view xml);

// A client of the interception layer that masks what the service answers
// before anyone behind it (the report, a recorder) sees it.
class Redactor final : public intercept::Client {
  public:
    void AfterCall(const intercept::Call& call, HRESULT status, void* out) override;
};

}  // namespace paravue::capture
