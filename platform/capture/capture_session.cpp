#include "platform/capture/capture_session.h"

#include <new>
#include <vector>

#include "platform/capture/capture_file.h"
#include "platform/capture/recorder.h"
#include "platform/capture/redaction.h"
#include "platform/intercept/layer.h"
#include "platform/simulated/scenario.h"

namespace paravue::capture {

struct CaptureSession::Parts {
    Redactor redactor;
    Recorder recorder;
    std::optional<intercept::Layer> layer;  // goes first, before its clients
};

CaptureSession::CaptureSession(bool redact, bool record) : parts_(std::make_unique<Parts>()) {
    std::vector<intercept::Client*> clients;
    if (redact)
        clients.push_back(&parts_->redactor);
    if (record)
        clients.push_back(&parts_->recorder);
    parts_->layer.emplace(std::move(clients));
}

CaptureSession::~CaptureSession() = default;

PendingFile CaptureSession::WriteRecorded(const std::string& path) const {
    try {
        return PendingFile(path, simulated::WriteScenario(parts_->recorder.Result()));
    } catch (const std::bad_alloc&) {
        return PendingFile::Failed("out of memory");
    }
}

}  // namespace paravue::capture
