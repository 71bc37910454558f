// The objects an interface hands out: subscriber information, signal,
// registration, connection context, radio and connection. Each answers from
// its part of one snapshot of the device state, which it keeps alive.
#pragma once

#include <memory>

#include "platform/com.h"
#include "platform/mbn.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

ComPtr<IMbnSubscriberInformation> MakeSubscriberObject(std::shared_ptr<const Subscriber> part);
ComPtr<IMbnSignal> MakeSignalObject(std::shared_ptr<const Signal> part);
ComPtr<IMbnRegistration> MakeRegistrationObject(std::shared_ptr<const Registration> part);
ComPtr<IMbnConnectionContext> MakeConnectionContextObject(
    std::shared_ptr<const ConnectionContext> part);
ComPtr<IMbnRadio> MakeRadioObject(std::shared_ptr<const Radio> part);
ComPtr<IMbnConnection> MakeConnectionObject(std::shared_ptr<const Connection> part);

}  // namespace paravue::simulated
