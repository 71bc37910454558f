// What `paravue-report --capture` and `--redact` put between a run and the
// service: an interception layer with a redactor (masks identifiers before
// the run and the recorder see them) and a recorder.
#pragma once

#include <string>

#include "platform/capture/capture_file.h"
#include "platform/capture/recorder.h"
#include "platform/capture/redaction.h"
#include "platform/intercept/layer.h"

namespace paravue::capture {

class CaptureSession {
  public:
    // Installs the layer over the service classes registered now.
    CaptureSession(bool redact, bool record);

    // Writes what was recorded so far as a scenario file beside `path`, which
    // Commit puts in place, whole or not at all.
    PendingFile WriteRecorded(const std::string& path) const;

  private:
    Redactor redactor_;
    Recorder recorder_;
    intercept::Layer layer_;  // declared last: goes first, before its clients
};

}  // namespace paravue::capture
