// A build without a system service: nothing is registered, so creating the
// interface manager fails as on a system without the service.
#include "platform/service_choice.h"

namespace paravue {

std::unique_ptr<ActiveService> StartSystemService() {
    return std::make_unique<ActiveService>();
}

}  // namespace paravue
