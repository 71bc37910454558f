// The connection profile manager. Profiles live in the operating system's
// profile store, which this service does not read yet: the list is empty.
#pragma once

#include <memory>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_session.h"

namespace paravue::mm {

class MmProfileManager final
    : public ServiceObject<MmProfileManager, IMbnConnectionProfileManager> {
  public:
    // `session` is the run's conversation: its bus connection is the one a
    // profile store on the system bus is read over.
    explicit MmProfileManager(std::shared_ptr<Session> session);

    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override;

    Session& Conversation() const { return *session_; }

  private:
    std::shared_ptr<Session> session_;
};

}  // namespace paravue::mm
