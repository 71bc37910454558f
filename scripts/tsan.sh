#!/usr/bin/env bash
# ThreadSanitizer over the event path: connection points, both services' event
# threads, the window's sinks, and shutdown while events arrive. A full build
# of its own, so only these test programs are built. Reports inside GLib and
# Qt (not built with ThreadSanitizer) are suppressed by tests/tsan.supp; any
# race in this project's code fails.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(platform_tests simulated_tests modemmanager_service_tests
         modemmanager_window_events_tests app_tests)
tests='^(ConnectionPoint|Events|InsideACallback/SinkActions|SinksTest|MainWindowSlotTest|ShutdownTest|ServiceEventTest|StartUpTest)\.|^modemmanager_(service|window_events)_tests$'

# The build runs programs too (the image generator, test discovery).
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j2 --target "${targets[@]}"
ctest --preset tsan -j2 -R "$tests"
