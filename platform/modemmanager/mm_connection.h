// A modem's one connection: its bearers' state, read when asked; the
// connection manager: one connection per modem, in modem order; and the
// profile manager, whose profiles are the mobile-broadband connections saved
// in NetworkManager that may serve the given modem.
#pragma once

#include <memory>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_modem_reads.h"
#include "platform/modemmanager/mm_run_reader.h"

namespace paravue::mm {

class MmConnection final : public ServiceObject<MmConnection, IMbnConnection> {
  public:
    MmConnection(std::shared_ptr<ModemReads> session, ModemRef modem)
        : session_(std::move(session)), modem_(std::move(modem)) {}

    // The same text as the interface ID.
    HRESULT get_ConnectionID(BSTR* connectionId) override;
    HRESULT GetConnectionState(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) override;

  private:
    std::shared_ptr<ModemReads> session_;
    ModemRef modem_;
};

class MmConnectionManager final : public ServiceObject<MmConnectionManager, IMbnConnectionManager> {
  public:
    explicit MmConnectionManager(std::shared_ptr<RunReader> reader) : reader_(std::move(reader)) {}
    HRESULT GetConnections(SAFEARRAY** connections) override;

  private:
    std::shared_ptr<RunReader> reader_;
};

class MmProfileManager final
    : public ServiceObject<MmProfileManager, IMbnConnectionProfileManager> {
  public:
    explicit MmProfileManager(std::shared_ptr<RunReader> reader) : reader_(std::move(reader)) {}

    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override;

  private:
    std::shared_ptr<RunReader> reader_;
};

}  // namespace paravue::mm
