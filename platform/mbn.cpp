#include "platform/mbn.h"

#include <utility>

namespace paravue {
namespace {
void Free(BSTR& text) {
    SysFreeString(std::exchange(text, nullptr));
}
}  // namespace

void ClearRecord(MBN_INTERFACE_CAPS& record) {
    Free(record.customDataClass);
    Free(record.customBandClass);
    Free(record.deviceID);
    Free(record.manufacturer);
    Free(record.model);
    Free(record.firmwareInfo);
}

void ClearRecord(MBN_CONTEXT& record) {
    Free(record.accessString);
    Free(record.userName);
    Free(record.password);
}

void ClearRecord(MBN_PROVIDER& record) {
    Free(record.providerID);
    Free(record.providerName);
}

}  // namespace paravue
