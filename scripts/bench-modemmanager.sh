#!/usr/bin/env bash
# Whole-process benchmarks of paravue-report against ModemManager, beside the
# daemon's own client (mmcli). Figures only: nothing here passes or fails on
# time.
#
# 1. The mock on a private bus: paravue-report and `mmcli -m 0`, run
#    alternately (one warm-up each, then RUNS runs each); prints both medians,
#    their ratio and the method calls each sends. When it is built,
#    tests/benchmark/bare_bus_client runs among them: the same libraries and
#    calls without a report, the floor of any run; and once more with the
#    listing alone, which is all that `mmcli -m 0` asks the daemon.
# 2. The real daemon (Debian's modemmanager) with the simulated modem of the
#    real-daemon tests, enabled and registered: paravue-report against
#    `mmcli -m 0`, `mmcli -i 0` and `mmcli -m 0 --3gpp-profile-manager-list`,
#    each alone and the three one after another (the same facts); RUNS runs
#    each, median, min and max. Needs root (a private mount namespace);
#    elsewhere it says why it was not measured.
#
# Usage: scripts/bench-modemmanager.sh [PARAVUE_REPORT [RUNS]]
# (default: the optimised build, build/default/cli/paravue-report; 20 runs)
set -eu
here=$(cd "$(dirname "$0")" && pwd)

# Wall time of one command in milliseconds, taken without forking a clock.
time_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || true
    local end=$EPOCHREALTIME
    echo "$(((${end/./} - ${start/./}) / 1000))"
}

# One table row: RUNS timings of a command, as median, min and max.
row() {
    local label=$1 runs=$2
    shift 2
    local times=()
    for ((i = 0; i < runs; i++)); do
        times+=("$(time_ms "$@")")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v label="$label" '
        { t[NR] = $1 }
        END {
            median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
            printf "  %-44s %7.1f %7d %7d\n", label, median, t[1], t[NR]
        }'
}

mmcli_all_three() {
    mmcli -m 0 && mmcli -i 0 && mmcli -m 0 --3gpp-profile-manager-list
}

# Inside run_with_modem.py: the daemon is up, the modem registered.
real_daemon_table() {
    local report=$1 runs=$2
    if [ -n "${PARAVUE_REAL_MM_UNAVAILABLE:-}" ]; then
        echo "real daemon: not measured: $PARAVUE_REAL_MM_UNAVAILABLE"
        return 0
    fi
    # Timing a run that fails early would flatter it.
    if ! "$report" | grep -q "^Completed Successfully"; then
        echo "real daemon: paravue-report does not complete against it; no figures" >&2
        return 1
    fi
    export -f mmcli_all_three
    echo "real daemon: $(ModemManager --version | head -n1), simulated modem registered;" \
         "$runs runs each, ms"
    printf '  %-44s %7s %7s %7s\n' "whole-process wall time" median min max
    row "paravue-report" "$runs" "$report"
    row "mmcli -m 0" "$runs" mmcli -m 0
    row "mmcli -i 0" "$runs" mmcli -i 0
    row "mmcli -m 0 --3gpp-profile-manager-list" "$runs" mmcli -m 0 --3gpp-profile-manager-list
    row "the three mmcli, one after another" "$runs" bash -c mmcli_all_three
}

if [ "${1:-}" = "--real-daemon-inside" ]; then
    real_daemon_table "$2" "$3"
    exit
fi

report=${1:-$here/../build/default/cli/paravue-report}
runs=${2:-20}
if [ ! -x "$report" ]; then
    echo "bench-modemmanager: $report is not built (cmake --preset default && cmake --build --preset default --target paravue-report)" >&2
    exit 1
fi
report=$(realpath "$report")
echo "machine: $(uname -srm), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "mmcli: $(mmcli --version 2>/dev/null | head -n1)"

# The floor: a client that loads the same libraries and sends the same calls,
# and does nothing else (tests/benchmark/bare_bus_client.cpp).
floor=()
bare=$(dirname "$report")/../tests/benchmark/bare_bus_client
if [ -x "$bare" ]; then
    floor=(--floor "$(realpath "$bare")")
fi

echo "mock:"
"$here/with-private-bus.sh" /usr/bin/python3 "$here/../tests/dbusmock/bus_calls.py" \
    bench --runs "$runs" --report "$report" "${floor[@]}"

# The driver starts the daemon and runs this script again inside for the table.
/usr/bin/python3 "$here/../tests/modemmanager/real_daemon/run_with_modem.py" --enable -- \
    bash "$0" --real-daemon-inside "$report" "$runs"
