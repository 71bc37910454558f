// A modem's one connection: its bearers' state, read when asked.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <memory>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_modem_reads.h"

namespace paravue::mm {

class MmConnection final : public ServiceObject<MmConnection, IMbnConnection> {
  public:
    MmConnection(std::shared_ptr<ModemReads> session, ModemRef modem);

    // The same text as the interface ID.
    HRESULT get_ConnectionID(BSTR* connectionId) override;
    HRESULT GetConnectionState(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) override;

  private:
    std::shared_ptr<ModemReads> session_;
    ModemRef modem_;
};

}  // namespace paravue::mm
