#include "app/wandiag_app.h"

#include <optional>

#include "app/event_subscription.h"
#include "app/mbn_interface_manager_sinks.h"
#include "app/mbn_registration_sinks.h"
#include "app/status_text.h"
#include "app/wandiag_dlg.h"
#include "platform/mbn.h"
#include "platform/runtime.h"

namespace paravue::app {

namespace {

template <class Sink>
ComPtr<IUnknown> MakeSink(const MainWindowSlot& mainWindow) {
    return ComPtr<IUnknown>::Adopt(MakeComObject<Sink>(mainWindow).Detach());
}

}  // namespace

CWandiagApp::CWandiagApp(std::ostream& diagnostics) : diagnostics_(diagnostics) {}

int CWandiagApp::InitInstance() {
    if (HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED); FAILED(hr)) {
        diagnostics_ << "paravue: cannot initialise COM (status " << StatusText(hr) << ")\n";
        return 1;
    }
    int status = RunWithComInitialised();
    CoUninitialize();
    return status;
}

int CWandiagApp::RunWithComInitialised() {
    // The report creates its own manager for every run; this one only carries
    // the event subscriptions.
    ComPtr<IMbnInterfaceManager> manager;
    if (HRESULT hr = CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                                      IID_IMbnInterfaceManager, manager.PutVoid());
        FAILED(hr)) {
        diagnostics_ << "paravue: cannot create the Mobile Broadband interface manager (status "
                     << StatusText(hr) << ")\n";
        return 1;
    }

    // Without a container, or when the first subscription fails, the dialog
    // still runs; only "&Refresh" updates it then.
    ComPtr<IConnectionPointContainer> container;
    EventSubscription interfaceEvents;
    EventSubscription registrationEvents;
    if (SUCCEEDED(manager.As(&container))) {
        if (interfaceEvents.Subscribe(*container.Get(), IID_IMbnInterfaceManagerEvents, [this] {
                return MakeSink<CMbnInterfaceManagerSinks>(m_pMainWnd);
            }))
            registrationEvents.Subscribe(*container.Get(), IID_IMbnRegistrationEvents, [this] {
                return MakeSink<CMbnRegistrationSinks>(m_pMainWnd);
            });
    }

    std::optional<CWandiagDlg> dialog;
    dialog.emplace();
    m_pMainWnd.Set(&*dialog);
    dialog->DoModal();
    // From here on the sinks post nothing; whatever is still queued for the
    // dialog goes with it.
    m_pMainWnd.Set(nullptr);

    registrationEvents.Withdraw();
    interfaceEvents.Withdraw();
    interfaceEvents.ReleaseSink();
    registrationEvents.ReleaseSink();
    dialog.reset();
    container.Reset();
    manager.Reset();
    return 0;
}

}  // namespace paravue::app
