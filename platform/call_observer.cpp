#include "platform/call_observer.h"

#include <atomic>

namespace paravue {
namespace {
std::atomic<CallObserver*> g_observer{nullptr};
}

void SetCallObserver(CallObserver* observer) {
    g_observer.store(observer);
}

HRESULT NotifyServiceCall(std::string_view name) {
    CallObserver* observer = g_observer.load();
    return observer ? observer->OnServiceCall(name) : S_OK;
}

}  // namespace paravue
