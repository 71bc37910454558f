// What `paravue-report --capture` and `--redact` put between a run and the
// service: an interception layer with a redactor (masks identifiers before
// the run and the recorder see them) and a recorder.
#pragma once

#include <optional>

#include "platform/capture/recorder.h"
#include "platform/capture/redaction.h"
#include "platform/intercept/layer.h"

namespace paravue::capture {

class CaptureSession {
  public:
    // Installs the layer over the service classes registered now.
    CaptureSession(bool redact, bool record);
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // The scenario recorded so far (empty without recording).
    simulated::Scenario Recorded() const { return recorder_.Result(); }

  private:
    Redactor redactor_;
    Recorder recorder_;
    std::optional<intercept::Layer> layer_;  // goes first, before its clients
};

}  // namespace paravue::capture
