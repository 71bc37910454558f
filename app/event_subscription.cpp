#include "app/event_subscription.h"

namespace paravue::app {

void EventSubscription::Withdraw() {
    if (subscribed_) {
        point_->Unadvise(cookie_);
        subscribed_ = false;
    }
    point_.Reset();
}

}  // namespace paravue::app
