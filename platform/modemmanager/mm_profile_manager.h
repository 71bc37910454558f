// The connection profile manager. The profiles are the mobile-broadband
// connections saved in NetworkManager that may serve the given modem.
#pragma once

#include "platform/com_object.h"
#include "platform/mbn.h"

namespace paravue::mm {

class MmProfileManager final
    : public ServiceObject<MmProfileManager, IMbnConnectionProfileManager> {
  public:
    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override;
};

}  // namespace paravue::mm
