#include "platform/modemmanager/mm_run_sessions.h"

namespace paravue::mm {

HRESULT RunSessions::Begin(std::shared_ptr<Session>* session, Session::Listing listing) {
    notes_->Clear();
    return Open(session, listing);
}

HRESULT RunSessions::Join(std::shared_ptr<Session>* session) {
    {
        std::lock_guard lock(mutex_);
        if (std::shared_ptr<Session> running = current_.lock()) {
            *session = std::move(running);
            return S_OK;
        }
    }
    return Open(session, Session::Listing::AtOpen);
}

HRESULT RunSessions::Open(std::shared_ptr<Session>* session, Session::Listing listing) {
    // Opening talks to the bus: never under the lock.
    std::shared_ptr<Session> fresh;
    if (HRESULT hr = Session::Open(options_, notes_, &fresh, listing); FAILED(hr))
        return hr;
    {
        std::lock_guard lock(mutex_);
        current_ = fresh;
    }
    *session = std::move(fresh);
    return S_OK;
}

}  // namespace paravue::mm
