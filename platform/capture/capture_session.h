// What `paravue-report --capture` and `--redact` put between a run and the
// service: an interception layer with a redactor (masks identifiers before
// the run and the recorder see them) and a recorder.
#pragma once

#include <memory>
#include <string>

#include "platform/capture/capture_file.h"

namespace paravue::capture {

class CaptureSession {
  public:
    // Installs the layer over the service classes registered now.
    CaptureSession(bool redact, bool record);
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Writes what was recorded so far as a scenario file beside `path`, which
    // Commit puts in place, whole or not at all.
    PendingFile WriteRecorded(const std::string& path) const;

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace paravue::capture
