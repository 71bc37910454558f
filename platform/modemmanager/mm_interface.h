// One modem as a Mobile Broadband interface, with the signal, registration,
// connection-context and radio views the report queries from it.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <memory>
#include <optional>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/mbn_getters.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_modem_reads.h"
#include "platform/modemmanager/nm_profile_mapping.h"

namespace paravue::mm {

// The getters of each view, as mbn_getters.h lists them; the views reached
// through QueryInterface are this object itself.
#define PARAVUE_MM_GETTER(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_MM_GETTER_##kind(Name, Out)
#define PARAVUE_MM_GETTER_VALUE(Name, Out) HRESULT Name(Out* out) override;
#define PARAVUE_MM_GETTER_ARRAY(Name, Out) HRESULT Name(SAFEARRAY** out) override;
#define PARAVUE_MM_GETTER_PART(Name, Out) HRESULT Name(Out** out) override;
#define PARAVUE_MM_GETTER_QUERY(Name, Out)
#define PARAVUE_MM_GETTER_LISTED(Name, Out)

class MmInterface final : public ServiceObject<MmInterface, IMbnInterface, IMbnSignal,
                                               IMbnRegistration, IMbnConnectionContext, IMbnRadio> {
  public:
    // `session`: a report run's reader, or the event thread's follower.
    MmInterface(std::shared_ptr<ModemReads> session, ModemRef modem)
        : session_(std::move(session)), modem_(std::move(modem)) {}

    // Registration needs the modem's 3GPP or CDMA interface.
    HRESULT QueryInterface(REFIID iid, void** object) override;

    PARAVUE_INTERFACE_GETTERS(PARAVUE_MM_GETTER)
    PARAVUE_SIGNAL_GETTERS(PARAVUE_MM_GETTER)
    PARAVUE_REGISTRATION_GETTERS(PARAVUE_MM_GETTER)
    PARAVUE_CONNECTION_CONTEXT_GETTERS(PARAVUE_MM_GETTER)
    PARAVUE_RADIO_GETTERS(PARAVUE_MM_GETTER)

    // What saved connections are matched against. A modem without a SIM has
    // no SIM values; a SIM that cannot be read is a failure.
    HRESULT ReadProfileTarget(ModemTarget* target);

  private:
    // Runs answer(modem) on the session's link; E_POINTER for a null `out`.
    template <class Out, class Answer>
    HRESULT Enter(Out* out, Answer answer);
    // The same, storing what value(modem) gives in `out`.
    template <class Out, class Value>
    HRESULT Give(Out* out, Value value);
    // The modem's SIM, read once per run; SIM-not-inserted when the modem
    // has none.
    HRESULT LoadSim(GObjectPtr<MMSim>* sim);
    HRESULT ContextsFromProfiles(SAFEARRAY** out);
    HRESULT ContextsFromBearers(SAFEARRAY** out);
    ULONG AvailableDataClasses() const;
    // The registration as the report reads it; none without 3GPP or CDMA.
    std::optional<MBN_REGISTER_STATE> RegisterState() const;

    std::shared_ptr<ModemReads> session_;
    ModemRef modem_;
};

#undef PARAVUE_MM_GETTER
#undef PARAVUE_MM_GETTER_VALUE
#undef PARAVUE_MM_GETTER_ARRAY
#undef PARAVUE_MM_GETTER_PART
#undef PARAVUE_MM_GETTER_QUERY
#undef PARAVUE_MM_GETTER_LISTED

}  // namespace paravue::mm
