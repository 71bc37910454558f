// Owning handles for the glib objects this service holds: every GObject,
// GVariant, GError and main context sits in one of these.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <memory>

namespace paravue::mm {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes a new reference to an object the caller does not own.
template <class T>
GObjectPtr<T> ShareGObject(T* object) {
    return GObjectPtr<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

struct GVariantUnref {
    void operator()(GVariant* value) const {
        if (value)
            g_variant_unref(value);
    }
};
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

struct GErrorFree {
    void operator()(GError* error) const {
        if (error)
            g_error_free(error);
    }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GMainContextUnref {
    void operator()(GMainContext* context) const {
        if (context)
            g_main_context_unref(context);
    }
};
using GMainContextPtr = std::unique_ptr<GMainContext, GMainContextUnref>;

struct GMainLoopUnref {
    void operator()(GMainLoop* loop) const {
        if (loop)
            g_main_loop_unref(loop);
    }
};
using GMainLoopPtr = std::unique_ptr<GMainLoop, GMainLoopUnref>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

// Fills a GError** out-parameter and owns what it receives.
class ErrorSlot {
  public:
    GError** Put() { return &raw_; }
    GErrorPtr Take() { return GErrorPtr(std::exchange(raw_, nullptr)); }
    ~ErrorSlot() {
        if (raw_)
            g_error_free(raw_);
    }

  private:
    GError* raw_ = nullptr;
};

}  // namespace paravue::mm
