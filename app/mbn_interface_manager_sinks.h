// Receives interface arrival and removal from the service and posts one
// notification per event to the main window.
#pragma once

#include "app/main_window_slot.h"
#include "platform/com_object.h"
#include "platform/mbn.h"

namespace paravue::app {

class CMbnInterfaceManagerSinks final
    : public ComObject<CMbnInterfaceManagerSinks, IMbnInterfaceManagerEvents> {
  public:
    // `mainWindow` must outlive the sink.
    explicit CMbnInterfaceManagerSinks(const MainWindowSlot& mainWindow);

    // Post only when the interface and its ID can be read; always S_OK.
    HRESULT OnInterfaceArrival(IMbnInterface* newInterface) override;
    HRESULT OnInterfaceRemoval(IMbnInterface* oldInterface) override;

  private:
    void PostIfIdentified(IMbnInterface* mbnInterface, int eventType);

    const MainWindowSlot& mainWindow_;
};

}  // namespace paravue::app
