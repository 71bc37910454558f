// Owning handles for the glib objects this service holds: every GObject,
// GVariant, GError, main context and source sits in one of these.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <memory>

namespace paravue::mm {

// Lets go of what it holds with `release` (never called with null).
template <auto release>
struct Releaser {
    void operator()(auto* held) const { release(held); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, Releaser<g_object_unref>>;
using GVariantPtr = std::unique_ptr<GVariant, Releaser<g_variant_unref>>;
using GErrorPtr = std::unique_ptr<GError, Releaser<g_error_free>>;
using GMainContextPtr = std::unique_ptr<GMainContext, Releaser<g_main_context_unref>>;
using GFreeDeleter = Releaser<g_free>;
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

// A source attached to a context: destroyed there, then let go.
inline void DestroySource(GSource* source) {
    g_source_destroy(source);
    g_source_unref(source);
}
using GSourcePtr = std::unique_ptr<GSource, Releaser<DestroySource>>;

// Takes a new reference to an object the caller does not own.
template <class T>
GObjectPtr<T> ShareGObject(T* object) {
    return GObjectPtr<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

// Fills a GError** out-parameter and owns what it receives.
class ErrorSlot {
  public:
    GError** Put() { return &raw_; }
    GErrorPtr Take() { return GErrorPtr(std::exchange(raw_, nullptr)); }
    ~ErrorSlot() { Take(); }

  private:
    GError* raw_ = nullptr;
};

}  // namespace paravue::mm
