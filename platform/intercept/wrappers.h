// The layer's wrapper objects: one per Mobile Broadband interface a report
// run touches. Each forwards to the object it wraps and shows the call to the
// layer; objects it hands out are wrapped in turn.
#pragma once

#include <memory>

#include "platform/com.h"
#include "platform/intercept/layer_core.h"

namespace paravue::intercept {

// Wraps a service object (taking over its reference) and hands the wrapper out
// as the same interface. `id` receives the wrapper's id.
IMbnInterfaceManager* WrapInterfaceManager(const std::shared_ptr<LayerCore>& core,
                                           IMbnInterfaceManager* inner, std::uint64_t* id);
IMbnConnectionManager* WrapConnectionManager(const std::shared_ptr<LayerCore>& core,
                                             IMbnConnectionManager* inner, std::uint64_t* id);
IMbnConnectionProfileManager* WrapProfileManager(const std::shared_ptr<LayerCore>& core,
                                                 IMbnConnectionProfileManager* inner,
                                                 std::uint64_t* id);
// For elements fetched from an array of interfaces.
IUnknown* WrapElement(const std::shared_ptr<LayerCore>& core, ElementKind kind, IUnknown* inner,
                      std::uint64_t* id);

}  // namespace paravue::intercept
