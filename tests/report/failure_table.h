// What failing each call of a complete run does to the report: the table
// that the call sweeps check, against the simulated service and against the
// ModemManager service alike. Keyed by call name and occurrence; the lines of
// the GoesOn entries are those of tests/golden/complete_device.json.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/com.h"

namespace paravue::sweep {

inline constexpr HRESULT kNotFound = MakeHresult(0x80070490);
inline constexpr HRESULT kNotSupported = MakeHresult(0x80070032);

// What failing one call does to the run.
struct Outcome {
    enum Kind { EndsWithLine, EndsWithoutLine, GoesOn } kind = EndsWithLine;
    std::u16string line;     // EndsWithLine: the last line; GoesOn: a line that appears
    std::u16string missing;  // GoesOn: a line of the complete report that disappears
    bool completes = false;  // GoesOn: whether "Completed Successfully." still follows
};

inline Outcome Ends(std::u16string line) {
    return {Outcome::EndsWithLine, std::move(line), {}, false};
}
inline Outcome EndsSilently() {
    return {Outcome::EndsWithoutLine, {}, {}, false};
}
inline Outcome GoesOn(std::u16string missing, bool completes = true, std::u16string appears = {}) {
    return {Outcome::GoesOn, std::move(appears), std::move(missing), completes};
}

using CallKey = std::pair<std::string, int>;  // call name, its occurrence (1-based)

// The complete device of tests/golden/complete_device.json: two phone
// numbers, two contexts, two preferred providers, two connections, two profiles.
inline std::map<CallKey, Outcome> ExpectedOutcomes(HRESULT status) {
    const std::u16string noDevice =
        u"No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile Data "
        u"Device.\r\n";
    const std::u16string contextFetch =
        u"Unexpected error when retieving provisioned context from the safearray. Error Code: "
        u"0x%x\r\n";
    const std::u16string providerFetch =
        u"Unexpected error when retrieving preferred provider from the safearray. Error Code: "
        u"0x%x\r\n";
    const std::u16string profile1 =
        u"Profiles                           <MBNProfile><Name>Anvil "
        u"Internet</Name><AccessString>internet.anvil</AccessString></MBNProfile>\r\n";
    const std::u16string profile2 =
        u"Profiles                           <MBNProfile><Name>Anvil "
        u"Corporate</Name></MBNProfile>\r\n";
    const std::u16string connection1 = u"Connection ID                      Anvil Internet\r\n";
    const std::u16string connection2 = u"Connection ID                      Spare Link\r\n";

    std::map<CallKey, Outcome> table = {
        {{"CoCreateInstance(MbnInterfaceManager)", 1},
         Ends(u"Unable to use Windows 7 Mobile Broadband. Error code: 0x%x\r\n")},
        {{"IMbnInterfaceManager::GetInterfaces", 1},
         status == kNotFound
             ? Ends(noDevice)
             : Ends(u"Unable to get Mobile Broadband device information. Error code: 0x%x\r\n")},
        {{"SafeArrayGetLBound(interfaces)", 1}, EndsSilently()},
        {{"SafeArrayGetUBound(interfaces)", 1}, EndsSilently()},
        {{"SafeArrayGetElement(interfaces)", 1},
         Ends(u"Unexpected error when retrieving interface information from the safe array. Error "
              u"Code: 0x%x\r\n")},
        {{"IMbnInterface::get_InterfaceID", 1},
         Ends(u"Unexpected error when retrieving interface id. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::GetInterfaceCapability", 1},
         Ends(u"Unable to get interface capability. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::GetSubscriberInformation", 1},
         Ends(u"Unable to get subscriber information. Error Code: 0x%x\r\n")},
        {{"IMbnSubscriberInformation::get_SimIccID", 1},
         Ends(u"Unable to get SIM ICCID. Error Code: 0x%x\r\n")},
        {{"IMbnSubscriberInformation::get_SubscriberID", 1},
         Ends(u"Unable to get subscriber ID. Error Code: 0x%x\r\n")},
        {{"IMbnSubscriberInformation::get_TelephoneNumbers", 1},
         Ends(u"Unable to get telephone numbers. Error Code: 0x%x\r\n")},
        {{"SafeArrayGetLBound(telephoneNumbers)", 1},
         Ends(u"Unexpected error when retrieving lower bound of safearray of phone numbers. Error "
              u"Code: 0x%x\r\n")},
        {{"SafeArrayGetUBound(telephoneNumbers)", 1},
         Ends(u"Unexpected error when retrieving upper bound of safearray of phone numbers. Error "
              u"Code: 0x%x\r\n")},
        {{"SafeArrayGetElement(telephoneNumbers)", 1},
         GoesOn(u"Phone Number                       +447700900123\r\n")},
        {{"SafeArrayGetElement(telephoneNumbers)", 2},
         GoesOn(u"Phone Number                       +447700900456\r\n")},
        {{"IMbnInterface::QueryInterface(IMbnSignal)", 1},
         Ends(u"Unable to get signal information. Error Code: 0x%x\r\n")},
        {{"IMbnSignal::GetSignalError", 1},
         Ends(u"Unable to get signal error information. Error Code: 0x%x\r\n")},
        {{"IMbnSignal::GetSignalStrength", 1},
         Ends(u"Unable to get signal strength. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::QueryInterface(IMbnRegistration)", 1},
         Ends(u"Unable to get registration information. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetAvailableDataClasses", 1},
         Ends(u"Unable to get available data classes. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetCurrentDataClass", 1},
         Ends(u"Unable to get crurent data class. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetPacketAttachNetworkError", 1},
         Ends(u"Unable to get packet attach netowrk error. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetProviderID", 1},
         Ends(u"Unable to get provider ID. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetProviderName", 1},
         Ends(u"Unable to get provider name. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetRegisterMode", 1},
         Ends(u"Unable to get register mode. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetRegisterState", 1},
         Ends(u"Unable to get register state. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetRegistrationNetworkError", 1},
         Ends(u"Unable to get registration network error. Error Code: 0x%x\r\n")},
        {{"IMbnRegistration::GetRoamingText", 1},
         Ends(u"Unable to get roaming text. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::QueryInterface(IMbnConnectionContext)", 1},
         Ends(u"Unable to get connection context information. Error Code: 0x%x\r\n")},
        {{"IMbnConnectionContext::GetProvisionedContexts", 1},
         Ends(u"Unable to get provisioned contexts. Error Code: 0x%x\r\n")},
        {{"SafeArrayGetLBound(provisionedContexts)", 1},
         Ends(u"Unexpected error when retrieving lower bound of safearray of provisioned contexts. "
              u"Error Code: 0x%x\r\n")},
        {{"SafeArrayGetUBound(provisionedContexts)", 1},
         Ends(u"Unexpected error when retrieving upper bound of safearray of provisioned contexts. "
              u"Error Code: 0x%x\r\n")},
        // The loop is left: a failed first fetch hides the second context too.
        {{"SafeArrayGetElement(provisionedContexts)", 1},
         GoesOn(u"Connection Context                 2:\r\n", true, contextFetch)},
        {{"SafeArrayGetElement(provisionedContexts)", 2},
         GoesOn(u"Connection Context                 2:\r\n", true, contextFetch)},
        {{"IMbnInterface::QueryInterface(IMbnRadio)", 1},
         Ends(u"Unable to get radio information. Error Code: 0x%x\r\n")},
        {{"IMbnRadio::get_SoftwareRadioState", 1},
         Ends(u"Unable to get software radio state. Error Code: 0x%x\r\n")},
        {{"IMbnRadio::get_HardwareRadioState", 1},
         Ends(u"Unable to get hardware radio state. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::GetHomeProvider", 1},
         Ends(u"Unable to get home provider. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::GetReadyState", 1},
         Ends(u"Unable to get interface ready state. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::InEmergencyMode", 1},
         Ends(u"Unable to get emergency mode. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::GetConnection", 1},
         Ends(u"Unable to get connection information. Error Code: 0x%x\r\n")},
        {{"IMbnConnection::GetConnectionState", 1},
         Ends(u"Unable to get connection state. Error Code: 0x%x\r\n")},
        {{"IMbnInterface::GetPreferredProviders", 1},
         status == kNotSupported
             ? GoesOn(u"Preferred Provider ID              23410\r\n", true,
                      u"Preferred Provider                 Not supported\r\n")
             : Ends(u"Unable to get prefered provider information. Error Code: 0x%x\r\n")},
        {{"SafeArrayGetLBound(preferredProviders)", 1},
         Ends(u"Unexpected error when retrieving lower bound of safearray of preferred providers. "
              u"Error Code: 0x%x\r\n")},
        {{"SafeArrayGetUBound(preferredProviders)", 1},
         Ends(u"Unexpected error when retrieving upper bound of safearray of preferred providers. "
              u"Error Code: 0x%x\r\n")},
        {{"SafeArrayGetElement(preferredProviders)", 1},
         GoesOn(u"Preferred Provider ID              23430\r\n", true, providerFetch)},
        {{"SafeArrayGetElement(preferredProviders)", 2},
         GoesOn(u"Preferred Provider ID              23430\r\n", true, providerFetch)},
        {{"CoCreateInstance(MbnConnectionManager)", 1},
         Ends(u"Unable to create connection manager instance. Error Code: 0x%x\r\n")},
        {{"IMbnConnectionManager::GetConnections", 1},
         Ends(u"Unable to retieve connection information. Error Code: 0x%x\r\n")},
        {{"SafeArrayGetLBound(connections)", 1},
         Ends(u"Unexpected error when retrieving lower bound of safearray of connections. Error "
              u"Code: 0x%x\r\n")},
        {{"SafeArrayGetUBound(connections)", 1},
         Ends(u"Unexpected error when retrieving upper bound of safearray of connection. Error "
              u"Code: 0x%x\r\n")},
        {{"SafeArrayGetElement(connections)", 1}, GoesOn(connection1)},
        {{"SafeArrayGetElement(connections)", 2}, GoesOn(connection2)},
        {{"IMbnConnection::get_ConnectionID", 1}, GoesOn(connection1)},
        {{"IMbnConnection::get_ConnectionID", 2}, GoesOn(connection2)},
        {{"CoCreateInstance(MbnConnectionProfileManager)", 1},
         Ends(u"Unable to create the connection profile manager instance. Error Code: 0x%x\r\n")},
        {{"IMbnConnectionProfileManager::GetConnectionProfiles", 1},
         Ends(u"Unable to get connection profile information. Error Code: 0x%x\r\n")},
        {{"SafeArrayGetLBound(connectionProfiles)", 1},
         Ends(u"Unexpected error when retrieving lower bound of safearray of connection profiles. "
              u"Error Code: 0x%x\r\n")},
        {{"SafeArrayGetUBound(connectionProfiles)", 1},
         Ends(u"Unexpected error when retrieving upper bound of safearray of connection profiles. "
              u"Error Code: 0x%x\r\n")},
        // Profile statuses are recorded: only the last profile's decide the final line.
        {{"SafeArrayGetElement(connectionProfiles)", 1}, GoesOn(profile1, true)},
        {{"IMbnConnectionProfile::GetProfileXmlData", 1}, GoesOn(profile1, true)},
        {{"SafeArrayGetElement(connectionProfiles)", 2}, GoesOn(profile2, false)},
        {{"IMbnConnectionProfile::GetProfileXmlData", 2}, GoesOn(profile2, false)},
    };
    return table;
}

inline std::u16string WithStatus(std::u16string text, HRESULT status) {
    if (std::size_t at = text.find(u"%x"); at != std::u16string::npos) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(status));
        text.replace(at, 2,
                     std::u16string(digits, digits + std::char_traits<char>::length(digits)));
    }
    return text;
}

inline bool IsPrefix(const std::u16string& prefix, const std::u16string& text) {
    return text.starts_with(prefix);
}

// Every line of `lines` occurs in `complete`, in the same order.
inline bool IsSubsequence(const std::vector<std::u16string>& lines,
                          const std::vector<std::u16string>& complete) {
    std::size_t next = 0;
    for (const std::u16string& line : lines) {
        while (next < complete.size() && complete[next] != line)
            ++next;
        if (next == complete.size())
            return false;
        ++next;
    }
    return true;
}

// The report's lines, each with its CR LF.
inline std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u"\r\n", start);
        end = end == std::u16string::npos ? text.size() : end + 2;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// A run that the failing call ended: nothing at all, or the complete report's
// lines up to the failure and then the failure's own line.
inline void ExpectEnded(const Outcome& outcome, HRESULT status, const std::u16string& text,
                        bool completed, const std::u16string& complete) {
    EXPECT_FALSE(completed);
    if (outcome.kind == Outcome::EndsWithoutLine) {
        EXPECT_EQ(text, u"");
        return;
    }
    const std::u16string line = WithStatus(outcome.line, status);
    const std::vector<std::u16string> lines = Lines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), line);
    EXPECT_TRUE(IsPrefix(text.substr(0, text.size() - line.size()), complete))
        << "the lines before the failure are those of the complete report";
}

inline const std::u16string kCompleted = u"Completed Successfully.\r\n";

}  // namespace paravue::sweep
