// Which session a new manager talks over. A report run creates its interface
// manager first, then its connection and profile managers while that one
// lives: all of them share the run's one conversation with the daemon, and
// the next run starts a new one, so nothing read is kept from run to run.
#pragma once

#include <memory>
#include <mutex>

#include "platform/com.h"
#include "platform/modemmanager/mm_session.h"
#include "platform/modemmanager/service_options.h"

namespace paravue::mm {

class RunSessions {
  public:
    explicit RunSessions(ServiceOptions options) : options_(std::move(options)) {}

    // A new run: a session of its own, which later Join calls share.
    HRESULT Begin(std::shared_ptr<Session>* session,
                  Session::Listing listing = Session::Listing::AtOpen);
    // The session of the run in progress, or a new one when none lives.
    HRESULT Join(std::shared_ptr<Session>* session);

  private:
    const ServiceOptions options_;
    std::mutex mutex_;
    std::weak_ptr<Session> current_;
};

}  // namespace paravue::mm
