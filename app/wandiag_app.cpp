#include "app/wandiag_app.h"

#include <cstdio>
#include <optional>
#include <string>

#include <QApplication>
#include <QTimer>

#include "app/wandiag_dlg.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"
#include "platform/runtime.h"
#include "platform/utf.h"
#include "report/modems.h"

namespace paravue::app {

namespace {

// A status as the program prints it: "0x" and lowercase hex without leading zeros.
std::string StatusText(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(status));
    return text;
}

// One sink subscribed to one connection point of the interface manager.
class EventSubscription {
  public:
    // Finds the connection point for `eventIid`; only when there is one,
    // creates the sink and advises it. True when subscribed.
    template <class Sink>
    bool Subscribe(IConnectionPointContainer& container, const IID& eventIid,
                   const MainWindowSlot& mainWindow) {
        if (FAILED(container.FindConnectionPoint(eventIid, m_point.Put())))
            return false;
        m_sink = ComPtr<IUnknown>::Adopt(MakeComObject<Sink>(mainWindow).Detach());
        m_subscribed = SUCCEEDED(m_point->Advise(m_sink.Get(), &m_cookie));
        return m_subscribed;
    }

    // Unadvises when subscribed (after which the service holds no reference to
    // the sink and calls it no more) and lets go of the connection point.
    void Withdraw() {
        if (m_subscribed)
            m_point->Unadvise(m_cookie);
        m_subscribed = false;
        m_point.Reset();
    }
    // Gives up this side's reference to the sink, which destroys it once withdrawn.
    void ReleaseSink() { m_sink.Reset(); }

  private:
    ComPtr<IConnectionPoint> m_point;
    ComPtr<IUnknown> m_sink;
    DWORD m_cookie = 0;
    bool m_subscribed = false;
};

}  // namespace

CWandiagApp::CWandiagApp(std::ostream& diagnostics, ActiveService* service)
    : m_diagnostics(diagnostics), m_service(service) {}

int CWandiagApp::InitInstance(const std::optional<std::string>& modemSelector) {
    const ComApartment apartment;
    if (FAILED(apartment.Status())) {
        m_diagnostics << "paravue: cannot initialise COM (status " << StatusText(apartment.Status())
                      << ")\n";
        return 1;
    }

    // The report creates its own manager for every run; this one only carries
    // the event subscriptions.
    ComPtr<IMbnInterfaceManager> manager;
    if (HRESULT hr = CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                                      IID_IMbnInterfaceManager, manager.PutVoid());
        FAILED(hr)) {
        m_diagnostics << "paravue: cannot create the Mobile Broadband interface manager (status "
                      << StatusText(hr) << ")\n";
        return 1;
    }

    // Another modem than the first is found once, before the window; from
    // then on the dialog keeps it by its interface ID.
    const auto plan = [service = m_service](const RunPlan& runs) {
        if (service)
            service->PlanRuns(runs);
    };
    std::optional<ModemChoice> chosen;
    if (modemSelector && !IsFirstPosition(*modemSelector)) {
        plan({RunPlan::Reads::Listing});
        const ModemListing listing = ListModems();
        ModemSelection selection = ResolveSelector(*modemSelector, listing);
        if (!selection.choice) {
            m_diagnostics << "paravue: "
                          << SelectorMessage(*modemSelector, selection.problem, listing) << '\n';
            return selection.problem == SelectorProblem::CannotList ? 1 : 2;
        }
        chosen = std::move(selection.choice);
    }

    // Without a container, or when the first subscription fails, the dialog
    // still runs; only "&Refresh" updates it then.
    ComPtr<IConnectionPointContainer> container;
    EventSubscription interfaceEvents;
    EventSubscription registrationEvents;
    if (SUCCEEDED(manager.As(&container)) &&
        interfaceEvents.Subscribe<CMbnInterfaceManagerSinks>(
            *container.Get(), IID_IMbnInterfaceManagerEvents, m_mainWindow))
        registrationEvents.Subscribe<CMbnRegistrationSinks>(
            *container.Get(), IID_IMbnRegistrationEvents, m_mainWindow);

    std::optional<CWandiagDlg> dialog;
    dialog.emplace([](const ModemChoice& choice) { return CollectReport(choice); },
                   [] { return ListModems(); }, plan);
    if (chosen)
        dialog->KeepModem(*chosen);
    m_mainWindow.Set(&*dialog);
    dialog->exec();
    // From here on the sinks post nothing; whatever is still queued for the
    // dialog goes with it.
    m_mainWindow.Set(nullptr);

    registrationEvents.Withdraw();
    interfaceEvents.Withdraw();
    interfaceEvents.ReleaseSink();
    registrationEvents.ReleaseSink();
    dialog.reset();
    container.Reset();
    manager.Reset();
    return 0;
}

void ScheduleScreenshot(const QString& path, bool* failed) {
    // The first turn of the dialog's loop: the report is shown by then.
    QTimer::singleShot(0, [path, failed] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (!dialog->grab().save(path, "PNG")) {
            std::cerr << "paravue: cannot write " << PrintableText(path.toStdString()) << '\n';
            *failed = true;
        }
        dialog->reject();
    });
}

}  // namespace paravue::app
