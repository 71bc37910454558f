#include "platform/modemmanager/mm_subscriber.h"

#include "platform/modemmanager/mm_text.h"

namespace paravue::mm {

MmSubscriber::MmSubscriber(std::string subscriberId, std::string simIccId,
                           std::vector<std::string> telephoneNumbers)
    : subscriberId_(std::move(subscriberId)),
      simIccId_(std::move(simIccId)),
      telephoneNumbers_(std::move(telephoneNumbers)) {}

HRESULT MmSubscriber::get_SubscriberID(BSTR* subscriberId) {
    return NewBstr(subscriberId_, subscriberId);
}

HRESULT MmSubscriber::get_SimIccID(BSTR* simIccId) {
    return NewBstr(simIccId_, simIccId);
}

HRESULT MmSubscriber::get_TelephoneNumbers(SAFEARRAY** telephoneNumbers) {
    return NewBstrArray(telephoneNumbers_, telephoneNumbers);
}

}  // namespace paravue::mm
