// The SIM's subscriber data, as read when the report asked for it.
#pragma once

#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/mbn.h"

namespace paravue::mm {

class MmSubscriber final : public ServiceObject<MmSubscriber, IMbnSubscriberInformation> {
  public:
    MmSubscriber(std::string subscriberId, std::string simIccId,
                 std::vector<std::string> telephoneNumbers);

    HRESULT get_SubscriberID(BSTR* subscriberId) override;
    HRESULT get_SimIccID(BSTR* simIccId) override;
    HRESULT get_TelephoneNumbers(SAFEARRAY** telephoneNumbers) override;

  private:
    const std::string subscriberId_;
    const std::string simIccId_;
    const std::vector<std::string> telephoneNumbers_;
};

}  // namespace paravue::mm
