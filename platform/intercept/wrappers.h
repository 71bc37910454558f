// The layer's wrapper objects: one per Mobile Broadband interface a report
// run touches. Each forwards to the object it wraps and shows the call to the
// layer; objects it hands out are wrapped in turn.
#pragma once

#include <memory>

#include "platform/com.h"
#include "platform/intercept/layer_core.h"

namespace paravue::intercept {

// Wraps a service object of the given kind (taking over its reference) and
// hands the wrapper out as the same interface; `id` receives the wrapper's id.
// A Value is no object: it comes back as it is, with id 0.
IUnknown* WrapObject(const std::shared_ptr<LayerCore>& core, ObjectKind kind, IUnknown* inner,
                     std::uint64_t* id);

}  // namespace paravue::intercept
