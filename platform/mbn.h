// The Mobile Broadband types, enumerations and interfaces, in the shapes the
// report calls. Values and identifiers are the platform's published ones.
#pragma once

#include "platform/bstr.h"
#include "platform/com.h"

struct SAFEARRAY;  // platform/safearray.h

// ---- Enumerations (32-bit; a service may hand out any value) ----

enum MBN_CELLULAR_CLASS : std::int32_t {
    MBN_CELLULAR_CLASS_NONE = 0,
    MBN_CELLULAR_CLASS_GSM = 1,
    MBN_CELLULAR_CLASS_CDMA = 2,
};

enum MBN_VOICE_CLASS : std::int32_t {
    MBN_VOICE_CLASS_NONE = 0,
    MBN_VOICE_CLASS_NO_VOICE = 1,
    MBN_VOICE_CLASS_SEPARATE_VOICE_DATA = 2,
    MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA = 3,
};

enum MBN_DATA_CLASS : std::uint32_t {
    MBN_DATA_CLASS_NONE = 0,
    MBN_DATA_CLASS_GPRS = 0x1,
    MBN_DATA_CLASS_EDGE = 0x2,
    MBN_DATA_CLASS_UMTS = 0x4,
    MBN_DATA_CLASS_HSDPA = 0x8,
    MBN_DATA_CLASS_HSUPA = 0x10,
    MBN_DATA_CLASS_LTE = 0x20,
    MBN_DATA_CLASS_5G_NSA = 0x40,  // the 5G bits of later versions of the platform
    MBN_DATA_CLASS_5G_SA = 0x80,
    MBN_DATA_CLASS_1XRTT = 0x10000,
    MBN_DATA_CLASS_1XEVDO = 0x20000,
    MBN_DATA_CLASS_1XEVDO_REVA = 0x40000,
    MBN_DATA_CLASS_1XEVDV = 0x80000,
    MBN_DATA_CLASS_3XRTT = 0x100000,
    MBN_DATA_CLASS_1XEVDO_REVB = 0x200000,
    MBN_DATA_CLASS_UMB = 0x400000,
    MBN_DATA_CLASS_CUSTOM = 0x80000000,
};

enum MBN_PROVIDER_STATE : std::uint32_t {
    MBN_PROVIDER_STATE_NONE = 0,
    MBN_PROVIDER_STATE_HOME = 0x1,
    MBN_PROVIDER_STATE_FORBIDDEN = 0x2,
    MBN_PROVIDER_STATE_PREFERRED = 0x4,
    MBN_PROVIDER_STATE_VISIBLE = 0x8,
    MBN_PROVIDER_STATE_REGISTERED = 0x10,
};

enum MBN_REGISTER_MODE : std::int32_t {
    MBN_REGISTER_MODE_NONE = 0,
    MBN_REGISTER_MODE_AUTOMATIC = 1,
    MBN_REGISTER_MODE_MANUAL = 2,
};

enum MBN_REGISTER_STATE : std::int32_t {
    MBN_REGISTER_STATE_NONE = 0,
    MBN_REGISTER_STATE_DEREGISTERED = 1,
    MBN_REGISTER_STATE_SEARCHING = 2,
    MBN_REGISTER_STATE_HOME = 3,
    MBN_REGISTER_STATE_ROAMING = 4,
    MBN_REGISTER_STATE_PARTNER = 5,
    MBN_REGISTER_STATE_DENIED = 6,
};

enum MBN_CONTEXT_TYPE : std::int32_t {
    MBN_CONTEXT_TYPE_NONE = 0,
    MBN_CONTEXT_TYPE_INTERNET = 1,
    MBN_CONTEXT_TYPE_VPN = 2,
    MBN_CONTEXT_TYPE_VOICE = 3,
    MBN_CONTEXT_TYPE_VIDEO_SHARE = 4,
    MBN_CONTEXT_TYPE_CUSTOM = 5,
};

enum MBN_COMPRESSION : std::int32_t {
    MBN_COMPRESSION_NONE = 0,
    MBN_COMPRESSION_ENABLE = 1,
};

enum MBN_AUTH_PROTOCOL : std::int32_t {
    MBN_AUTH_PROTOCOL_NONE = 0,
    MBN_AUTH_PROTOCOL_PAP = 1,
    MBN_AUTH_PROTOCOL_CHAP = 2,
    MBN_AUTH_PROTOCOL_MSCHAPV2 = 3,
};

enum MBN_RADIO : std::int32_t {
    MBN_RADIO_OFF = 0,
    MBN_RADIO_ON = 1,
};

enum MBN_READY_STATE : std::int32_t {
    MBN_READY_STATE_OFF = 0,
    MBN_READY_STATE_INITIALIZED = 1,
    MBN_READY_STATE_SIM_NOT_INSERTED = 2,
    MBN_READY_STATE_BAD_SIM = 3,
    MBN_READY_STATE_FAILURE = 4,
    MBN_READY_STATE_NOT_ACTIVATED = 5,
    MBN_READY_STATE_DEVICE_LOCKED = 6,
    MBN_READY_STATE_DEVICE_BLOCKED = 7,
};

enum MBN_ACTIVATION_STATE : std::int32_t {
    MBN_ACTIVATION_STATE_NONE = 0,
    MBN_ACTIVATION_STATE_ACTIVATED = 1,
    MBN_ACTIVATION_STATE_ACTIVATING = 2,
    MBN_ACTIVATION_STATE_DEACTIVATED = 3,
    MBN_ACTIVATION_STATE_DEACTIVATING = 4,
};

// ---- Records (the strings inside belong to whoever receives the record) ----

// The fields of each record, in order, for code that handles every field:
// F(Out, Type, field, Text), Out the member's type, Type a scenario's (String
// for a BSTR), Text as in mbn_getters.h.
#define PARAVUE_CAPABILITIES_FIELDS(F)                             \
    F(MBN_CELLULAR_CLASS, MBN_CELLULAR_CLASS, cellularClass, None) \
    F(MBN_VOICE_CLASS, MBN_VOICE_CLASS, voiceClass, None)          \
    F(ULONG, ULONG, dataClass, None)                               \
    F(BSTR, String, customDataClass, Kept)                         \
    F(ULONG, ULONG, gsmBandClass, None)                            \
    F(ULONG, ULONG, cdmaBandClass, None)                           \
    F(BSTR, String, customBandClass, Kept)                         \
    F(ULONG, ULONG, smsCaps, None)                                 \
    F(ULONG, ULONG, controlCaps, None)                             \
    F(BSTR, String, deviceID, DeviceId)                            \
    F(BSTR, String, manufacturer, Kept)                            \
    F(BSTR, String, model, Kept)                                   \
    F(BSTR, String, firmwareInfo, Kept)

#define PARAVUE_PROVIDER_FIELDS(F)       \
    F(BSTR, String, providerID, Kept)    \
    F(ULONG, ULONG, providerState, None) \
    F(BSTR, String, providerName, Kept)  \
    F(ULONG, ULONG, dataClass, None)

#define PARAVUE_CONTEXT_FIELDS(F)                            \
    F(ULONG, ULONG, contextID, None)                         \
    F(MBN_CONTEXT_TYPE, MBN_CONTEXT_TYPE, contextType, None) \
    F(BSTR, String, accessString, Kept)                      \
    F(BSTR, String, userName, Secret)                        \
    F(BSTR, String, password, Secret)                        \
    F(MBN_COMPRESSION, MBN_COMPRESSION, compression, None)   \
    F(MBN_AUTH_PROTOCOL, MBN_AUTH_PROTOCOL, authType, None)

// The records: R(Record, Type, FIELDS).
#define PARAVUE_MBN_RECORDS(R)                                       \
    R(MBN_INTERFACE_CAPS, Capabilities, PARAVUE_CAPABILITIES_FIELDS) \
    R(MBN_PROVIDER, Provider, PARAVUE_PROVIDER_FIELDS)               \
    R(MBN_CONTEXT, Context, PARAVUE_CONTEXT_FIELDS)

#define PARAVUE_RECORD_FIELD(Out, Type, field, text) Out field;
#define PARAVUE_RECORD_STRUCT(Record, Name, FIELDS) \
    struct Record {                                 \
        FIELDS(PARAVUE_RECORD_FIELD)                \
    };
PARAVUE_MBN_RECORDS(PARAVUE_RECORD_STRUCT)
#undef PARAVUE_RECORD_STRUCT
#undef PARAVUE_RECORD_FIELD

// ---- Identifiers ----

inline constexpr CLSID CLSID_MbnInterfaceManager = {
    0xBDFEE05B, 0x4418, 0x11DD, {0x90, 0xED, 0x00, 0x1C, 0x25, 0x7C, 0xCF, 0xF1}};
inline constexpr CLSID CLSID_MbnConnectionManager = {
    0xBDFEE05C, 0x4418, 0x11DD, {0x90, 0xED, 0x00, 0x1C, 0x25, 0x7C, 0xCF, 0xF1}};
inline constexpr CLSID CLSID_MbnConnectionProfileManager = {
    0xBDFEE05A, 0x4418, 0x11DD, {0x90, 0xED, 0x00, 0x1C, 0x25, 0x7C, 0xCF, 0xF1}};

#define PARAVUE_MBN_IID(name, d1, d2) \
    inline constexpr IID name = {d1, d2, 0x4BBB, {0xAA, 0xEE, 0x33, 0x8E, 0x36, 0x8A, 0xF6, 0xFA}}

PARAVUE_MBN_IID(IID_IMbnInterface, 0xDCBBBAB6, 0x2001);
PARAVUE_MBN_IID(IID_IMbnSignal, 0xDCBBBAB6, 0x2003);
PARAVUE_MBN_IID(IID_IMbnRegistration, 0xDCBBBAB6, 0x2009);
PARAVUE_MBN_IID(IID_IMbnRegistrationEvents, 0xDCBBBAB6, 0x200A);
PARAVUE_MBN_IID(IID_IMbnConnectionContext, 0xDCBBBAB6, 0x200B);
PARAVUE_MBN_IID(IID_IMbnConnection, 0xDCBBBAB6, 0x200D);
PARAVUE_MBN_IID(IID_IMbnConnectionProfileManager, 0xDCBBBAB6, 0x200F);
PARAVUE_MBN_IID(IID_IMbnConnectionProfile, 0xDCBBBAB6, 0x2010);
PARAVUE_MBN_IID(IID_IMbnInterfaceManager, 0xDCBBBAB6, 0x201B);
PARAVUE_MBN_IID(IID_IMbnInterfaceManagerEvents, 0xDCBBBAB6, 0x201C);
PARAVUE_MBN_IID(IID_IMbnConnectionManager, 0xDCBBBAB6, 0x201D);
PARAVUE_MBN_IID(IID_IMbnRadio, 0xDCCCCAB6, 0x201F);

#undef PARAVUE_MBN_IID

inline constexpr IID IID_IMbnSubscriberInformation = {
    0x459ECC43, 0xBCF5, 0x11DC, {0xA8, 0xA8, 0x00, 0x13, 0x21, 0xF1, 0x40, 0x5F}};

// ---- Interfaces ----

struct IMbnSubscriberInformation : IUnknown {
    static constexpr const IID& kIid = IID_IMbnSubscriberInformation;
    virtual HRESULT get_SubscriberID(BSTR* subscriberId) = 0;
    virtual HRESULT get_SimIccID(BSTR* simIccId) = 0;
    virtual HRESULT get_TelephoneNumbers(SAFEARRAY** telephoneNumbers) = 0;
};

struct IMbnConnection : IUnknown {
    static constexpr const IID& kIid = IID_IMbnConnection;
    virtual HRESULT get_ConnectionID(BSTR* connectionId) = 0;
    virtual HRESULT GetConnectionState(MBN_ACTIVATION_STATE* activationState,
                                       BSTR* profileName) = 0;
};

struct IMbnInterface : IUnknown {
    static constexpr const IID& kIid = IID_IMbnInterface;
    virtual HRESULT get_InterfaceID(BSTR* interfaceId) = 0;
    virtual HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) = 0;
    virtual HRESULT GetSubscriberInformation(IMbnSubscriberInformation** subscriber) = 0;
    virtual HRESULT GetReadyState(MBN_READY_STATE* readyState) = 0;
    virtual HRESULT InEmergencyMode(VARIANT_BOOL* emergencyMode) = 0;
    virtual HRESULT GetHomeProvider(MBN_PROVIDER* homeProvider) = 0;
    virtual HRESULT GetPreferredProviders(SAFEARRAY** preferredProviders) = 0;
    virtual HRESULT GetConnection(IMbnConnection** connection) = 0;
};

struct IMbnInterfaceManager : IUnknown {
    static constexpr const IID& kIid = IID_IMbnInterfaceManager;
    virtual HRESULT GetInterfaces(SAFEARRAY** interfaces) = 0;
};

struct IMbnSignal : IUnknown {
    static constexpr const IID& kIid = IID_IMbnSignal;
    virtual HRESULT GetSignalStrength(ULONG* signalStrength) = 0;
    virtual HRESULT GetSignalError(ULONG* signalError) = 0;
};

struct IMbnRegistration : IUnknown {
    static constexpr const IID& kIid = IID_IMbnRegistration;
    virtual HRESULT GetRegisterState(MBN_REGISTER_STATE* registerState) = 0;
    virtual HRESULT GetRegisterMode(MBN_REGISTER_MODE* registerMode) = 0;
    virtual HRESULT GetProviderID(BSTR* providerId) = 0;
    virtual HRESULT GetProviderName(BSTR* providerName) = 0;
    virtual HRESULT GetRoamingText(BSTR* roamingText) = 0;
    virtual HRESULT GetAvailableDataClasses(ULONG* availableDataClasses) = 0;
    virtual HRESULT GetCurrentDataClass(ULONG* currentDataClass) = 0;
    virtual HRESULT GetRegistrationNetworkError(ULONG* registrationNetworkError) = 0;
    virtual HRESULT GetPacketAttachNetworkError(ULONG* packetAttachNetworkError) = 0;
};

struct IMbnConnectionContext : IUnknown {
    static constexpr const IID& kIid = IID_IMbnConnectionContext;
    virtual HRESULT GetProvisionedContexts(SAFEARRAY** provisionedContexts) = 0;
};

struct IMbnRadio : IUnknown {
    static constexpr const IID& kIid = IID_IMbnRadio;
    virtual HRESULT get_SoftwareRadioState(MBN_RADIO* softwareRadioState) = 0;
    virtual HRESULT get_HardwareRadioState(MBN_RADIO* hardwareRadioState) = 0;
};

struct IMbnConnectionManager : IUnknown {
    static constexpr const IID& kIid = IID_IMbnConnectionManager;
    virtual HRESULT GetConnections(SAFEARRAY** connections) = 0;
};

struct IMbnConnectionProfile : IUnknown {
    static constexpr const IID& kIid = IID_IMbnConnectionProfile;
    virtual HRESULT GetProfileXmlData(BSTR* profileData) = 0;
};

struct IMbnConnectionProfileManager : IUnknown {
    static constexpr const IID& kIid = IID_IMbnConnectionProfileManager;
    virtual HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                          SAFEARRAY** connectionProfiles) = 0;
};

struct IMbnInterfaceManagerEvents : IUnknown {
    static constexpr const IID& kIid = IID_IMbnInterfaceManagerEvents;
    virtual HRESULT OnInterfaceArrival(IMbnInterface* newInterface) = 0;
    virtual HRESULT OnInterfaceRemoval(IMbnInterface* oldInterface) = 0;
};

struct IMbnRegistrationEvents : IUnknown {
    static constexpr const IID& kIid = IID_IMbnRegistrationEvents;
    virtual HRESULT OnRegisterModeAvailable(IMbnRegistration* registration) = 0;
    virtual HRESULT OnRegisterStateChange(IMbnRegistration* registration) = 0;
    virtual HRESULT OnPacketServiceStateChange(IMbnRegistration* registration) = 0;
    virtual HRESULT OnSetRegisterModeComplete(IMbnRegistration* registration, ULONG requestId,
                                              HRESULT status) = 0;
};

namespace paravue {

// Frees the strings a record holds and nulls them; each is freed exactly once.
void ClearRecord(MBN_INTERFACE_CAPS& record);
void ClearRecord(MBN_CONTEXT& record);
void ClearRecord(MBN_PROVIDER& record);

// Holds one record, zero-initialised, and frees its strings when it goes.
template <class Record>
class OwnedRecord {
  public:
    OwnedRecord() = default;
    OwnedRecord(const OwnedRecord&) = delete;
    OwnedRecord& operator=(const OwnedRecord&) = delete;
    ~OwnedRecord() { ClearRecord(record_); }

    Record* Put() {
        ClearRecord(record_);
        return &record_;
    }
    const Record& operator*() const { return record_; }
    const Record* operator->() const { return &record_; }
    Record& Mutable() { return record_; }

  private:
    Record record_{};
};

}  // namespace paravue
