// The connection manager: one connection per modem, in modem order.
#pragma once

#include <memory>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_run_reader.h"

namespace paravue::mm {

class MmConnectionManager final : public ServiceObject<MmConnectionManager, IMbnConnectionManager> {
  public:
    explicit MmConnectionManager(std::shared_ptr<RunReader> reader);
    HRESULT GetConnections(SAFEARRAY** connections) override;

  private:
    std::shared_ptr<RunReader> reader_;
};

}  // namespace paravue::mm
