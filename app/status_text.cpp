#include "app/status_text.h"

#include <cstdio>

namespace paravue::app {

std::string StatusText(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(status));
    return text;
}

}  // namespace paravue::app
