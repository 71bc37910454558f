// Turning the daemon's UTF-8 strings into the service's strings.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/bstr.h"
#include "platform/safearray.h"

namespace paravue::mm {

// A new BSTR holding `utf8` (null reads as empty); E_OUTOFMEMORY on failure.
HRESULT NewBstr(const char* utf8, BSTR* out);
HRESULT NewBstr(const std::string& utf8, BSTR* out);
// Each text (null reads as empty) into its BSTR, in order, up to the first
// failure.
HRESULT NewBstrs(std::initializer_list<std::pair<const char*, BSTR*>> texts);
// An array of strings.
HRESULT NewBstrArray(const std::vector<std::string>& texts, SAFEARRAY** out);

}  // namespace paravue::mm
