// One connection profile: its document, made when the list was read.
#pragma once

#include <string>

#include "platform/com_object.h"
#include "platform/mbn.h"

namespace paravue::mm {

class MmProfile final : public ServiceObject<MmProfile, IMbnConnectionProfile> {
  public:
    explicit MmProfile(std::string xml);
    HRESULT GetProfileXmlData(BSTR* profileData) override;

  private:
    const std::string xml_;
};

}  // namespace paravue::mm
