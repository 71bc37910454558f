#include "app/mbn_registration_sinks.h"

#include "app/mbn_messages.h"

namespace paravue::app {

CMbnRegistrationSinks::CMbnRegistrationSinks(const MainWindowSlot& mainWindow)
    : mainWindow_(mainWindow) {}

HRESULT CMbnRegistrationSinks::OnRegisterModeAvailable(IMbnRegistration*) {
    mainWindow_.Post(WM_MBN_REGISTER_MODE_AVAILABLE);
    return S_OK;
}

HRESULT CMbnRegistrationSinks::OnRegisterStateChange(IMbnRegistration*) {
    mainWindow_.Post(WM_MBN_REGISTER_STATE);
    return S_OK;
}

HRESULT CMbnRegistrationSinks::OnPacketServiceStateChange(IMbnRegistration*) {
    mainWindow_.Post(WM_MBN_PACKET_SERVICE_STATE);
    return S_OK;
}

HRESULT CMbnRegistrationSinks::OnSetRegisterModeComplete(IMbnRegistration*, ULONG, HRESULT) {
    return S_OK;
}

}  // namespace paravue::app
