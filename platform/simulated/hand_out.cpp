#include "platform/simulated/hand_out.h"

namespace paravue::simulated {

HRESULT CopyOut(const String& text, BSTR* out) {
    *out = nullptr;
    if (!text)
        return S_OK;
    *out = AllocBstr(*text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

namespace {

// Copies every string or none: on failure the record's strings are freed.
template <class Record>
HRESULT CopyStrings(Record* out,
                    std::initializer_list<std::pair<const String*, BSTR Record::*>> strings) {
    for (auto [text, member] : strings) {
        if (HRESULT hr = CopyOut(*text, &(out->*member)); FAILED(hr)) {
            ClearRecord(*out);
            *out = Record{};
            return hr;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT CopyOut(const Capabilities& caps, MBN_INTERFACE_CAPS* out) {
    *out = {};
    out->cellularClass = caps.cellularClass;
    out->voiceClass = caps.voiceClass;
    out->dataClass = caps.dataClass;
    out->gsmBandClass = caps.gsmBandClass;
    out->cdmaBandClass = caps.cdmaBandClass;
    out->smsCaps = caps.smsCaps;
    out->controlCaps = caps.controlCaps;
    return CopyStrings(out, {{&caps.customDataClass, &MBN_INTERFACE_CAPS::customDataClass},
                             {&caps.customBandClass, &MBN_INTERFACE_CAPS::customBandClass},
                             {&caps.deviceID, &MBN_INTERFACE_CAPS::deviceID},
                             {&caps.manufacturer, &MBN_INTERFACE_CAPS::manufacturer},
                             {&caps.model, &MBN_INTERFACE_CAPS::model},
                             {&caps.firmwareInfo, &MBN_INTERFACE_CAPS::firmwareInfo}});
}

HRESULT CopyOut(const Provider& provider, MBN_PROVIDER* out) {
    *out = {};
    out->providerState = provider.providerState;
    out->dataClass = provider.dataClass;
    return CopyStrings(out, {{&provider.providerID, &MBN_PROVIDER::providerID},
                             {&provider.providerName, &MBN_PROVIDER::providerName}});
}

HRESULT CopyOut(const Context& context, MBN_CONTEXT* out) {
    *out = {};
    out->contextID = context.contextID;
    out->contextType = context.contextType;
    out->compression = context.compression;
    out->authType = context.authType;
    return CopyStrings(out, {{&context.accessString, &MBN_CONTEXT::accessString},
                             {&context.userName, &MBN_CONTEXT::userName},
                             {&context.password, &MBN_CONTEXT::password}});
}

HRESULT PutItem(SAFEARRAY* array, LONG index, const String& item) {
    UniqueBstr text;
    if (HRESULT hr = CopyOut(item, text.Put()); FAILED(hr))
        return hr;
    BSTR raw = text.Get();
    return SafeArrayPutElement(array, &index, &raw);
}

HRESULT PutItem(SAFEARRAY* array, LONG index, const Provider& item) {
    OwnedRecord<MBN_PROVIDER> record;
    if (HRESULT hr = CopyOut(item, record.Put()); FAILED(hr))
        return hr;
    return SafeArrayPutElement(array, &index, &*record);
}

HRESULT PutItem(SAFEARRAY* array, LONG index, const Context& item) {
    OwnedRecord<MBN_CONTEXT> record;
    if (HRESULT hr = CopyOut(item, record.Put()); FAILED(hr))
        return hr;
    return SafeArrayPutElement(array, &index, &*record);
}

}  // namespace paravue::simulated
