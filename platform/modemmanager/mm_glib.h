// The one way into glib, gio and libmm-glib for this directory. The
// boundary's own TRUE and FALSE constants must be declared before glib turns
// those names into macros, so platform/com.h comes first.
#pragma once

// clang-format off
#include "platform/com.h"
#include <gio/gio.h>
#include <libmm-glib.h>
// clang-format on
