// Every getter of the boundary, named once: the interception layer, the
// recorder, the scenario structs with their reader and writer, the simulated
// service and redaction all expand these lists. X-macros rather than constexpr
// tables, as only text expanded in place can declare the overrides and the
// scenario's members. A new getter is a row here, its method in mbn.h, each
// service's answer and the report's use of it.
//
// One list per part (the scenario struct that answers an interface), in the
// order a scenario file writes them. A row is X(kind, Interface, Op, Out, Type,
// field, Text): `field` is the member and the scenario key, `Op` the
// operation's (for getters, the method's) name, `Text` what a string handed
// out is. Kinds:
//   VALUE  HRESULT Op(Out*); the scenario holds a Field<Type>
//   ARRAY  HRESULT Op(SAFEARRAY**) of Out elements; a Field<Array<Type>>
//   PART   HRESULT Op(Out**), an object answered by the part Type
//   QUERY  QueryInterface for Out, an object answered by the part Type
//   STATE  HRESULT Op(MBN_ACTIVATION_STATE*, BSTR*); a Field<Type>
//   LISTED an array of the part that another object's Op hands out
#pragma once

#include <string_view>

#include "platform/mbn.h"

#define PARAVUE_SUBSCRIBER_GETTERS(X)                                                         \
    X(VALUE, IMbnSubscriberInformation, get_SimIccID, BSTR, String, simIccId, SimIccId)       \
    X(VALUE, IMbnSubscriberInformation, get_SubscriberID, BSTR, String, subscriberId,         \
      SubscriberId)                                                                           \
    X(ARRAY, IMbnSubscriberInformation, get_TelephoneNumbers, BSTR, String, telephoneNumbers, \
      PhoneNumber)

#define PARAVUE_SIGNAL_GETTERS(X)                                   \
    X(VALUE, IMbnSignal, GetSignalError, ULONG, ULONG, error, None) \
    X(VALUE, IMbnSignal, GetSignalStrength, ULONG, ULONG, strength, None)

#define PARAVUE_REGISTRATION_GETTERS(X)                                                           \
    X(VALUE, IMbnRegistration, GetAvailableDataClasses, ULONG, ULONG, availableDataClasses, None) \
    X(VALUE, IMbnRegistration, GetCurrentDataClass, ULONG, ULONG, currentDataClass, None)         \
    X(VALUE, IMbnRegistration, GetPacketAttachNetworkError, ULONG, ULONG,                         \
      packetAttachNetworkError, None)                                                             \
    X(VALUE, IMbnRegistration, GetProviderID, BSTR, String, providerId, Kept)                     \
    X(VALUE, IMbnRegistration, GetProviderName, BSTR, String, providerName, Kept)                 \
    X(VALUE, IMbnRegistration, GetRegisterMode, MBN_REGISTER_MODE, MBN_REGISTER_MODE,             \
      registerMode, None)                                                                         \
    X(VALUE, IMbnRegistration, GetRegisterState, MBN_REGISTER_STATE, MBN_REGISTER_STATE,          \
      registerState, None)                                                                        \
    X(VALUE, IMbnRegistration, GetRegistrationNetworkError, ULONG, ULONG,                         \
      registrationNetworkError, None)                                                             \
    X(VALUE, IMbnRegistration, GetRoamingText, BSTR, String, roamingText, Kept)

#define PARAVUE_CONNECTION_CONTEXT_GETTERS(X)                                     \
    X(ARRAY, IMbnConnectionContext, GetProvisionedContexts, MBN_CONTEXT, Context, \
      provisionedContexts, None)

#define PARAVUE_RADIO_GETTERS(X)                                                      \
    X(VALUE, IMbnRadio, get_SoftwareRadioState, MBN_RADIO, MBN_RADIO, software, None) \
    X(VALUE, IMbnRadio, get_HardwareRadioState, MBN_RADIO, MBN_RADIO, hardware, None)

#define PARAVUE_CONNECTION_GETTERS(X)                                                          \
    X(STATE, IMbnConnection, GetConnectionState, void, ConnectionState, connectionState, None) \
    X(VALUE, IMbnConnection, get_ConnectionID, BSTR, String, connectionId, ConnectionName)

#define PARAVUE_PROFILE_GETTERS(X) \
    X(VALUE, IMbnConnectionProfile, GetProfileXmlData, BSTR, String, xml, ProfileXml)

#define PARAVUE_INTERFACE_GETTERS(X)                                                               \
    X(VALUE, IMbnInterface, get_InterfaceID, BSTR, String, interfaceId, InterfaceName)             \
    X(VALUE, IMbnInterface, GetInterfaceCapability, MBN_INTERFACE_CAPS, Capabilities,              \
      capabilities, None)                                                                          \
    X(PART, IMbnInterface, GetSubscriberInformation, IMbnSubscriberInformation, Subscriber,        \
      subscriber, None)                                                                            \
    X(QUERY, IMbnInterface, QuerySignal, IMbnSignal, Signal, signal, None)                         \
    X(QUERY, IMbnInterface, QueryRegistration, IMbnRegistration, Registration, registration, None) \
    X(QUERY, IMbnInterface, QueryConnectionContext, IMbnConnectionContext, ConnectionContext,      \
      connectionContext, None)                                                                     \
    X(QUERY, IMbnInterface, QueryRadio, IMbnRadio, Radio, radio, None)                             \
    X(VALUE, IMbnInterface, GetHomeProvider, MBN_PROVIDER, Provider, homeProvider, None)           \
    X(VALUE, IMbnInterface, GetReadyState, MBN_READY_STATE, MBN_READY_STATE, readyState, None)     \
    X(VALUE, IMbnInterface, InEmergencyMode, VARIANT_BOOL, VARIANT_BOOL, emergencyMode, None)      \
    X(PART, IMbnInterface, GetConnection, IMbnConnection, Connection, connection, None)            \
    X(ARRAY, IMbnInterface, GetPreferredProviders, MBN_PROVIDER, Provider, preferredProviders,     \
      None)                                                                                        \
    X(LISTED, IMbnConnectionProfileManager, GetConnectionProfiles, IMbnConnectionProfile*,         \
      Profile, connectionProfiles, None)

// The parts, leaves first: P(Part, Interface, GETTERS).
#define PARAVUE_MBN_PARTS(P)                                                        \
    P(Subscriber, IMbnSubscriberInformation, PARAVUE_SUBSCRIBER_GETTERS)            \
    P(Signal, IMbnSignal, PARAVUE_SIGNAL_GETTERS)                                   \
    P(Registration, IMbnRegistration, PARAVUE_REGISTRATION_GETTERS)                 \
    P(ConnectionContext, IMbnConnectionContext, PARAVUE_CONNECTION_CONTEXT_GETTERS) \
    P(Radio, IMbnRadio, PARAVUE_RADIO_GETTERS)                                      \
    P(Connection, IMbnConnection, PARAVUE_CONNECTION_GETTERS)                       \
    P(Profile, IMbnConnectionProfile, PARAVUE_PROFILE_GETTERS)                      \
    P(Interface, IMbnInterface, PARAVUE_INTERFACE_GETTERS)

// Every row of every part, in one list: X(kind, Interface, Op, Out, Type,
// field, Text).
#define PARAVUE_MBN_GETTERS(X)            \
    PARAVUE_SUBSCRIBER_GETTERS(X)         \
    PARAVUE_SIGNAL_GETTERS(X)             \
    PARAVUE_REGISTRATION_GETTERS(X)       \
    PARAVUE_CONNECTION_CONTEXT_GETTERS(X) \
    PARAVUE_RADIO_GETTERS(X)              \
    PARAVUE_CONNECTION_GETTERS(X)         \
    PARAVUE_PROFILE_GETTERS(X)            \
    PARAVUE_INTERFACE_GETTERS(X)

// The managers' lists, answered from the scenario's top level and by the
// managers' own code: X(ARRAY, Interface, Op, Out, Type, field, Text).
#define PARAVUE_MANAGER_LISTS(X)                                                               \
    X(ARRAY, IMbnInterfaceManager, GetInterfaces, IMbnInterface*, Interface, interfaces, None) \
    X(ARRAY, IMbnConnectionManager, GetConnections, IMbnConnection*, Connection, connections, None)

// The records' fields are listed in mbn.h beside the records.

// The two out-parameters of IMbnConnection::GetConnectionState.
#define PARAVUE_CONNECTION_STATE_FIELDS(F)                               \
    F(MBN_ACTIVATION_STATE, MBN_ACTIVATION_STATE, activationState, None) \
    F(BSTR, String, profileName, ProfileName)

namespace paravue {

// Whether the getter of a row of this kind hands out an array.
constexpr bool HandsOutList(std::string_view kind) {
    return kind == "ARRAY" || kind == "LISTED";
}

// What a string handed out across the boundary is, which decides how
// redaction treats it.
enum class Text {
    None,          // not a string, or a record whose fields say
    Kept,          // describes the network or the model
    Secret,        // a user name or password
    SubscriberId,  // identifiers, masked keeping their start
    SimIccId,
    DeviceId,
    PhoneNumber,
    ProfileXml,
    InterfaceName,  // free text that may name someone, pseudonymized
    ConnectionName,
    ProfileName,
};

}  // namespace paravue
