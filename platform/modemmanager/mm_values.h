// What a report run read once, handed out as service objects: the SIM's
// subscriber data and one connection profile's document.
#pragma once

#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_text.h"

namespace paravue::mm {

class MmSubscriber final : public ServiceObject<MmSubscriber, IMbnSubscriberInformation> {
  public:
    MmSubscriber(std::string subscriberId, std::string simIccId,
                 std::vector<std::string> telephoneNumbers)
        : subscriberId_(std::move(subscriberId)),
          simIccId_(std::move(simIccId)),
          telephoneNumbers_(std::move(telephoneNumbers)) {}

    HRESULT get_SubscriberID(BSTR* out) override { return NewBstr(subscriberId_, out); }
    HRESULT get_SimIccID(BSTR* out) override { return NewBstr(simIccId_, out); }
    HRESULT get_TelephoneNumbers(SAFEARRAY** out) override {
        return NewBstrArray(telephoneNumbers_, out);
    }

  private:
    const std::string subscriberId_;
    const std::string simIccId_;
    const std::vector<std::string> telephoneNumbers_;
};

class MmProfile final : public ServiceObject<MmProfile, IMbnConnectionProfile> {
  public:
    explicit MmProfile(std::string xml) : xml_(std::move(xml)) {}
    HRESULT GetProfileXmlData(BSTR* out) override { return NewBstr(xml_, out); }

  private:
    const std::string xml_;
};

}  // namespace paravue::mm
