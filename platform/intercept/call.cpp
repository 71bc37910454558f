#include "platform/intercept/call.h"

namespace paravue::intercept {

std::string CallName(const Call& call) {
    auto onArray = [&](const char* function) {
        return std::string(function) + "(" + std::string(call.arrayName) + ")";
    };
    switch (call.op) {
        case Op::CreateInterfaceManager:
            return "CoCreateInstance(MbnInterfaceManager)";
        case Op::CreateConnectionManager:
            return "CoCreateInstance(MbnConnectionManager)";
        case Op::CreateConnectionProfileManager:
            return "CoCreateInstance(MbnConnectionProfileManager)";
        case Op::GetInterfaces:
            return "IMbnInterfaceManager::GetInterfaces";
        case Op::ArrayLowerBound:
            return onArray("SafeArrayGetLBound");
        case Op::ArrayUpperBound:
            return onArray("SafeArrayGetUBound");
        case Op::ArrayElement:
            return onArray("SafeArrayGetElement");
        case Op::GetInterfaceId:
            return "IMbnInterface::get_InterfaceID";
        case Op::GetInterfaceCapability:
            return "IMbnInterface::GetInterfaceCapability";
        case Op::GetSubscriberInformation:
            return "IMbnInterface::GetSubscriberInformation";
        case Op::GetReadyState:
            return "IMbnInterface::GetReadyState";
        case Op::InEmergencyMode:
            return "IMbnInterface::InEmergencyMode";
        case Op::GetHomeProvider:
            return "IMbnInterface::GetHomeProvider";
        case Op::GetPreferredProviders:
            return "IMbnInterface::GetPreferredProviders";
        case Op::GetConnection:
            return "IMbnInterface::GetConnection";
        case Op::QuerySignal:
            return "IMbnInterface::QueryInterface(IMbnSignal)";
        case Op::QueryRegistration:
            return "IMbnInterface::QueryInterface(IMbnRegistration)";
        case Op::QueryConnectionContext:
            return "IMbnInterface::QueryInterface(IMbnConnectionContext)";
        case Op::QueryRadio:
            return "IMbnInterface::QueryInterface(IMbnRadio)";
        case Op::GetSubscriberId:
            return "IMbnSubscriberInformation::get_SubscriberID";
        case Op::GetSimIccId:
            return "IMbnSubscriberInformation::get_SimIccID";
        case Op::GetTelephoneNumbers:
            return "IMbnSubscriberInformation::get_TelephoneNumbers";
        case Op::GetSignalStrength:
            return "IMbnSignal::GetSignalStrength";
        case Op::GetSignalError:
            return "IMbnSignal::GetSignalError";
        case Op::GetRegisterState:
            return "IMbnRegistration::GetRegisterState";
        case Op::GetRegisterMode:
            return "IMbnRegistration::GetRegisterMode";
        case Op::GetProviderId:
            return "IMbnRegistration::GetProviderID";
        case Op::GetProviderName:
            return "IMbnRegistration::GetProviderName";
        case Op::GetRoamingText:
            return "IMbnRegistration::GetRoamingText";
        case Op::GetAvailableDataClasses:
            return "IMbnRegistration::GetAvailableDataClasses";
        case Op::GetCurrentDataClass:
            return "IMbnRegistration::GetCurrentDataClass";
        case Op::GetRegistrationNetworkError:
            return "IMbnRegistration::GetRegistrationNetworkError";
        case Op::GetPacketAttachNetworkError:
            return "IMbnRegistration::GetPacketAttachNetworkError";
        case Op::GetProvisionedContexts:
            return "IMbnConnectionContext::GetProvisionedContexts";
        case Op::GetSoftwareRadioState:
            return "IMbnRadio::get_SoftwareRadioState";
        case Op::GetHardwareRadioState:
            return "IMbnRadio::get_HardwareRadioState";
        case Op::GetConnectionId:
            return "IMbnConnection::get_ConnectionID";
        case Op::GetConnectionState:
            return "IMbnConnection::GetConnectionState";
        case Op::GetConnections:
            return "IMbnConnectionManager::GetConnections";
        case Op::GetConnectionProfiles:
            return "IMbnConnectionProfileManager::GetConnectionProfiles";
        case Op::GetProfileXmlData:
            return "IMbnConnectionProfile::GetProfileXmlData";
        case Op::ListAdapters:
            return "ListAdapters";
    }
    return "unknown";
}

}  // namespace paravue::intercept
