#!/bin/sh
# Runs a command with a private system bus of our own: starts dbus-daemon
# with tests/dbusmock/system-bus.conf, points DBUS_SYSTEM_BUS_ADDRESS at it,
# runs the command and tears the bus down, whatever the command's outcome.
# The command's exit status is returned. Tests start and stop the ModemManager
# mock themselves, on this bus.
#
# Without dbus-daemon the command runs with PARAVUE_PRIVATE_BUS unset and
# skips its bus tests; with it, PARAVUE_PRIVATE_BUS=1 tells the tests that the
# system bus they see is ours (never the machine's real one).
set -u
here=$(cd "$(dirname "$0")" && pwd)
config="$here/../tests/dbusmock/system-bus.conf"

if ! command -v dbus-daemon >/dev/null 2>&1; then
    echo "with-private-bus: dbus-daemon not found" >&2
    unset PARAVUE_PRIVATE_BUS
    exec "$@"
fi

address_file=$(mktemp)
pid_file=$(mktemp)
dbus-daemon --config-file="$config" --fork --print-address=3 --print-pid=4 \
    3>"$address_file" 4>"$pid_file" || { rm -f "$address_file" "$pid_file"; exit 1; }
bus_pid=$(head -n1 "$pid_file")
DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$address_file")
PARAVUE_PRIVATE_BUS=1
export DBUS_SYSTEM_BUS_ADDRESS PARAVUE_PRIVATE_BUS
rm -f "$address_file" "$pid_file"

"$@"
status=$?
kill "$bus_pid" 2>/dev/null
exit $status
