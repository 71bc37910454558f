// The connection profile manager. The profiles are the mobile-broadband
// connections saved in NetworkManager that may serve the given modem.
#pragma once

#include <memory>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_run_reader.h"

namespace paravue::mm {

class MmProfileManager final
    : public ServiceObject<MmProfileManager, IMbnConnectionProfileManager> {
  public:
    // `reader` is the run's conversation: its bus connection is the one a
    // profile store on the system bus is read over.
    explicit MmProfileManager(std::shared_ptr<RunReader> reader);

    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override;

  private:
    std::shared_ptr<RunReader> reader_;
};

}  // namespace paravue::mm
