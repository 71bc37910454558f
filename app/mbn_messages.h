// The service notifications the sinks post to the main window, as Qt event
// types. The numbers are the window messages they stand for (WM_APP + 0..4),
// which fall inside Qt's range for user event types.
#pragma once

#include <QEvent>

namespace paravue::app {

inline constexpr int WM_APP = 0x8000;
inline constexpr int WM_MBN_INTERFACE_ARRIVAL = WM_APP + 0;
inline constexpr int WM_MBN_INTERFACE_REMOVAL = WM_APP + 1;
inline constexpr int WM_MBN_PACKET_SERVICE_STATE = WM_APP + 2;
inline constexpr int WM_MBN_REGISTER_MODE_AVAILABLE = WM_APP + 3;
inline constexpr int WM_MBN_REGISTER_STATE = WM_APP + 4;

static_assert(WM_MBN_INTERFACE_ARRIVAL >= QEvent::User && WM_MBN_REGISTER_STATE <= QEvent::MaxUser);

constexpr bool IsMbnNotification(int eventType) {
    return eventType >= WM_MBN_INTERFACE_ARRIVAL && eventType <= WM_MBN_REGISTER_STATE;
}

}  // namespace paravue::app
