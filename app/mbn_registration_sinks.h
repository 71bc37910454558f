// Receives registration and packet-service changes from the service and posts
// one notification per event to the main window.
#pragma once

#include "app/main_window_slot.h"
#include "platform/com_object.h"
#include "platform/mbn.h"

namespace paravue::app {

class CMbnRegistrationSinks final
    : public ComObject<CMbnRegistrationSinks, IMbnRegistrationEvents> {
  public:
    // `mainWindow` must outlive the sink.
    explicit CMbnRegistrationSinks(const MainWindowSlot& mainWindow);

    // The registration argument is not used; every method returns S_OK.
    HRESULT OnRegisterModeAvailable(IMbnRegistration* registration) override;
    HRESULT OnRegisterStateChange(IMbnRegistration* registration) override;
    HRESULT OnPacketServiceStateChange(IMbnRegistration* registration) override;
    // Answers a request this program never makes: posts nothing.
    HRESULT OnSetRegisterModeComplete(IMbnRegistration* registration, ULONG requestId,
                                      HRESULT status) override;

  private:
    const MainWindowSlot& mainWindow_;
};

}  // namespace paravue::app
