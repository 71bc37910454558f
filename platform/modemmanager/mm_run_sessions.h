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
#include "platform/run_causes.h"

namespace paravue::mm {

class RunSessions {
  public:
    explicit RunSessions(ServiceOptions options) : options_(std::move(options)) {}

    // A new run: a session of its own, which later Join calls share, and
    // nothing noted yet.
    HRESULT Begin(std::shared_ptr<Session>* session,
                  Session::Listing listing = Session::Listing::AtOpen);
    // The session of the run in progress, or a new one when none lives.
    HRESULT Join(std::shared_ptr<Session>* session);

    // What the current run's sessions noted.
    const RunNotes& Notes() const { return *notes_; }

  private:
    HRESULT Open(std::shared_ptr<Session>* session, Session::Listing listing);

    const ServiceOptions options_;
    // Shared with the sessions, which may outlive the service.
    const std::shared_ptr<RunNotes> notes_ = std::make_shared<RunNotes>();
    std::mutex mutex_;
    std::weak_ptr<Session> current_;
};

}  // namespace paravue::mm
