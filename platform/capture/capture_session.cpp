#include "platform/capture/capture_session.h"

#include <vector>

namespace paravue::capture {

CaptureSession::CaptureSession(bool redact, bool record) {
    std::vector<intercept::Client*> clients;
    if (redact)
        clients.push_back(&redactor_);
    if (record)
        clients.push_back(&recorder_);
    layer_.emplace(std::move(clients));
}

}  // namespace paravue::capture
