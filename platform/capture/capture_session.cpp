#include "platform/capture/capture_session.h"

#include <new>
#include <vector>

#include "platform/simulated/scenario.h"

namespace paravue::capture {
namespace {

// The clients asked for, the redactor first.
std::vector<intercept::Client*> Clients(Redactor* redactor, Recorder* recorder) {
    std::vector<intercept::Client*> clients{redactor, recorder};
    std::erase(clients, nullptr);
    return clients;
}

}  // namespace

CaptureSession::CaptureSession(bool redact, bool record)
    : layer_(Clients(redact ? &redactor_ : nullptr, record ? &recorder_ : nullptr)) {}

PendingFile CaptureSession::WriteRecorded(const std::string& path) const {
    try {
        return PendingFile(path, simulated::WriteScenario(recorder_.Result()));
    } catch (const std::bad_alloc&) {
        return PendingFile::Failed("out of memory");
    }
}

}  // namespace paravue::capture
