#include "platform/modemmanager/modemmanager_service.h"

#include <mutex>

#include "platform/mbn.h"
#include "platform/modemmanager/mm_connection.h"
#include "platform/modemmanager/mm_interface_manager.h"
#include "platform/modemmanager/mm_run_reader.h"

namespace paravue::mm {

// Which reader a new manager reads through. A report run creates its
// interface manager first, then its connection and profile managers while
// that one lives: all of them share the run's one reader, and the next run
// opens a new one, so nothing read is kept from run to run.
class RunReaders {
  public:
    explicit RunReaders(ServiceOptions options) : options_(std::move(options)) {}

    void Plan(const RunPlan& plan) {
        std::lock_guard lock(mutex_);
        plan_ = plan;
    }
    // A new run, nothing noted yet, on a reader of its own that sees the daemon
    // as it is when first asked for the modems (an interface manager that only
    // carries event subscriptions never waits for it), or, after a listing run
    // that a report follows, as that run saw it: the report then costs no
    // second listing, and describes the modem its user chose from that one.
    HRESULT Begin(std::shared_ptr<RunReader>* reader) {
        notes_->Clear();
        RunPlan plan;
        std::shared_ptr<RunReader> kept;
        {
            std::lock_guard lock(mutex_);
            plan = plan_;
            kept = std::move(kept_);
        }
        if (kept)
            kept->Continue(plan);  // sends its reads: never under the lock
        else if (HRESULT hr = Open(&kept, RunReader::Listing::OnFirstUse, plan); FAILED(hr))
            return hr;
        *reader = kept;
        std::lock_guard lock(mutex_);
        current_ = kept;
        if (plan.reads == RunPlan::Reads::Listing && plan.reportFollows)
            kept_ = std::move(kept);
        return S_OK;
    }
    // The reader of the run in progress, or a new one when none lives.
    HRESULT Join(std::shared_ptr<RunReader>* reader) {
        RunPlan plan;
        {
            std::lock_guard lock(mutex_);
            if ((*reader = current_.lock()))
                return S_OK;
            plan = plan_;
        }
        if (HRESULT hr = Open(reader, RunReader::Listing::AtOpen, plan); FAILED(hr))
            return hr;
        std::lock_guard lock(mutex_);
        current_ = *reader;
        return S_OK;
    }
    RunCauses Causes() const { return notes_->Causes(); }

  private:
    HRESULT Open(std::shared_ptr<RunReader>* reader, RunReader::Listing listing,
                 const RunPlan& plan) {
        // Opening talks to the bus: never under the lock.
        auto fresh = std::make_shared<RunReader>(options_, notes_, plan);
        if (HRESULT hr = fresh->Open(listing); FAILED(hr))
            return hr;
        *reader = std::move(fresh);
        return S_OK;
    }

    const ServiceOptions options_;
    // Shared with the readers, which may outlive the service.
    const std::shared_ptr<RunNotes> notes_ = std::make_shared<RunNotes>();
    std::mutex mutex_;
    std::weak_ptr<RunReader> current_;
    RunPlan plan_;
    std::shared_ptr<RunReader> kept_;  // a listing's, for the report that follows it
};

namespace {

// A manager on the run `start` gives it: a new one (Begin) or the one in
// progress (Join).
template <class Manager, class... Extra>
ClassFactory Factory(std::shared_ptr<RunReaders> runs,
                     HRESULT (RunReaders::*start)(std::shared_ptr<RunReader>*), Extra... extra) {
    return [runs, start, extra...](REFIID iid, void** object) {
        std::shared_ptr<RunReader> reader;
        if (HRESULT hr = ((*runs).*start)(&reader); FAILED(hr))
            return hr;
        return MakeComObject<Manager>(std::move(reader), extra...)->QueryInterface(iid, object);
    };
}

}  // namespace

ModemManagerService::ModemManagerService(ServiceOptions options)
    : runs_(std::make_shared<RunReaders>(options)) {
    interfaceManager_ = ClassRegistration(
        CLSID_MbnInterfaceManager, Factory<MmInterfaceManager>(runs_, &RunReaders::Begin, options));
    connectionManager_ = ClassRegistration(CLSID_MbnConnectionManager,
                                           Factory<MmConnectionManager>(runs_, &RunReaders::Join));
    profileManager_ = ClassRegistration(CLSID_MbnConnectionProfileManager,
                                        Factory<MmProfileManager>(runs_, &RunReaders::Join));
}

void ModemManagerService::PlanRuns(const RunPlan& plan) {
    runs_->Plan(plan);
}

RunCauses ModemManagerService::LastRunCauses() const {
    return runs_->Causes();
}

}  // namespace paravue::mm
