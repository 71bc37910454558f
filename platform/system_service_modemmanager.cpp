// The system's service on Linux: ModemManager behind the boundary, and the
// kernel's network interfaces as the adapter records.
#include "platform/adapters.h"
#include "platform/linux/sysfs.h"
#include "platform/modemmanager/modemmanager_service.h"
#include "platform/service_choice.h"

namespace paravue {
namespace {

class ModemManagerSystemService final : public ActiveService {
  public:
    ModemManagerSystemService() { SetSystemAdapterLister(sysfs::NetworkAdapterLister()); }
    ~ModemManagerSystemService() override { SetSystemAdapterLister(nullptr); }
    RunCauses LastRunCauses() const override { return service_.LastRunCauses(); }
    void PlanRuns(const RunPlan& plan) override { service_.PlanRuns(plan); }

  private:
    mm::ModemManagerService service_;
};

}  // namespace

std::unique_ptr<ActiveService> StartSystemService() {
    return std::make_unique<ModemManagerSystemService>();
}

}  // namespace paravue
