// The interception layer: while it lives, every object from the service
// classes, every array they hand out and every adapter listing pass through
// wrappers that show each call and its answer to the layer's clients. Without a
// layer nothing of this runs.
#pragma once

#include <memory>
#include <vector>

#include "platform/intercept/call.h"

namespace paravue::intercept {

class LayerCore;

class Layer {
  public:
    // Wraps the classes registered now. Clients see BeforeCall in list order
    // (the first failure answers the call; later clients do not see it) and
    // AfterCall in list order. Clients must outlive the layer.
    explicit Layer(std::vector<Client*> clients);
    // Objects handed out earlier keep working and pass their calls straight on.
    ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

  private:
    struct Installation;
    std::shared_ptr<LayerCore> core_;
    std::unique_ptr<Installation> installation_;
};

}  // namespace paravue::intercept
