// The connection profile manager. Profiles live in the operating system's
// profile store, which this service does not read yet: the list is empty.
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
