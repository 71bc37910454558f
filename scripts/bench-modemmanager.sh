#!/usr/bin/env bash
# Whole-process times of paravue-report against ModemManager, beside the
# daemon's own client (mmcli) reading the same facts. Figures, not pass/fail.
#
#   scripts/bench-modemmanager.sh            every section
#   scripts/bench-modemmanager.sh real       the real daemon only
#
# PARAVUE_REPORT names the binary (default: the RelWithDebInfo build,
# build/default/cli/paravue-report); RUNS the runs per command (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
REPORT=${PARAVUE_REPORT:-build/default/cli/paravue-report}
RUNS=${RUNS:-20}

# Wall time of one command in milliseconds, taken without forking a clock.
time_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || true
    local end=$EPOCHREALTIME
    echo "$(( (${end/./} - ${start/./}) / 1000 ))"
}

# One table row: RUNS timings of a command, as median, min and max.
row() {
    local label=$1
    shift
    local times=()
    for ((i = 0; i < RUNS; i++)); do
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

# ---------------------------------------------------------------------------
# The real ModemManager daemon (Debian's modemmanager) with the simulated AT
# modem of the real-daemon tests, enabled and registered, on a private bus.
# Runs inside tests/modemmanager/real_daemon/run_with_modem.py (root only).

real_daemon_table() {
    export -f mmcli_all_three
    local version
    version=$(ModemManager --version | head -n1)
    printf 'Real daemon: %s, simulated modem registered; %s runs each, ms\n' "$version" "$RUNS"
    # Timing a run that fails early would flatter it.
    if ! "$REPORT" | grep -q "^Completed Successfully"; then
        echo "  paravue-report does not complete against the daemon; no figures" >&2
        return 1
    fi
    printf '  %-44s %7s %7s %7s\n' "whole-process wall time" median min max
    row "paravue-report" "$REPORT"
    row "mmcli -m 0" mmcli -m 0
    row "mmcli -i 0" mmcli -i 0
    row "mmcli -m 0 --3gpp-profile-manager-list" mmcli -m 0 --3gpp-profile-manager-list
    row "the three mmcli, one after another" bash -c mmcli_all_three
}

real_daemon() {
    if [ ! -x "$REPORT" ]; then
        echo "bench-modemmanager: no $REPORT (build it: cmake --build --preset default" \
             "--target paravue-report)" >&2
        exit 1
    fi
    # The driver runs this script again, inside, for the timings.
    PARAVUE_REPORT=$(realpath "$REPORT") RUNS=$RUNS \
        /usr/bin/python3 tests/modemmanager/real_daemon/run_with_modem.py --enable -- \
        bash "$0" real-inside
}

case "${1:-all}" in
real-inside)
    if [ -n "${PARAVUE_REAL_MM_UNAVAILABLE:-}" ]; then
        echo "Real daemon: not measured: $PARAVUE_REAL_MM_UNAVAILABLE"
    else
        real_daemon_table
    fi
    ;;
real) real_daemon ;;
all) real_daemon ;;
*)
    echo "usage: $0 [all|real]" >&2
    exit 64
    ;;
esac
