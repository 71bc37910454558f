// A status as the program prints it: "0x" and lowercase hex without leading zeros.
#pragma once

#include <string>

#include "platform/com.h"

namespace paravue::app {

std::string StatusText(HRESULT status);

}  // namespace paravue::app
