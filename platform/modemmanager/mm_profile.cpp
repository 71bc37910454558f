#include "platform/modemmanager/mm_profile.h"

#include "platform/modemmanager/mm_text.h"

namespace paravue::mm {

MmProfile::MmProfile(std::string xml) : xml_(std::move(xml)) {}

HRESULT MmProfile::GetProfileXmlData(BSTR* profileData) {
    return NewBstr(xml_, profileData);
}

}  // namespace paravue::mm
