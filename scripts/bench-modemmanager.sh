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
# 3. Inside that, a second daemon with 4 simulated modems of distinct
#    identities, all registered: `paravue-report --list` and `--metrics`
#    against `mmcli -L`, and the report of the last of the 4 (`--modem 3`,
#    and by its device ID) against the report of the only modem of the first
#    daemon; taken in turn (RUNS rounds, each running every command once),
#    median, min and max, and the ratios of the medians.
#
# Usage: scripts/bench-modemmanager.sh [PARAVUE_REPORT [RUNS]]
# (default: the optimised build, build/default/cli/paravue-report; 20 runs)
set -eu
here=$(cd "$(dirname "$0")" && pwd)

# Wall time of one command in milliseconds (to 0.1), taken without forking a clock.
time_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || true
    local end=$EPOCHREALTIME
    local us=$((10#${end/./} - 10#${start/./}))
    echo "$((us / 1000)).$((us % 1000 / 100))"
}

# A table row from timings on standard input: median, min and max.
summary() {
    sort -n | awk -v label="$1" '
        { t[NR] = $1 }
        END {
            median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
            printf "  %-44s %7.1f %7.1f %7.1f\n", label, median, t[1], t[NR]
        }'
}

# One table row: RUNS timings of a command.
row() {
    local label=$1 runs=$2
    shift 2
    for ((i = 0; i < runs; i++)); do
        time_ms "$@"
    done | summary "$label"
}

# Rows of several commands taken in turn, so that a change in the machine's
# load falls on each alike: one warm-up each, then RUNS rounds that run every
# command once, each round starting one command further on. Arguments: RUNS,
# then LABEL COMMAND pairs (a COMMAND is one word: a program or a function).
# Each row's median is also left in MEDIAN[LABEL].
declare -A MEDIAN
alternate() {
    local runs=$1
    shift
    local labels=() commands=() files=() k n line
    while [ $# -ge 2 ]; do
        labels+=("$1")
        commands+=("$2")
        files+=("$(mktemp)")
        shift 2
    done
    n=${#commands[@]}
    for ((k = 0; k < n; k++)); do
        time_ms "${commands[k]}" >/dev/null
    done
    for ((i = 0; i < runs; i++)); do
        for ((j = 0; j < n; j++)); do
            k=$(((i + j) % n))
            time_ms "${commands[k]}" >>"${files[k]}"
        done
    done
    for ((k = 0; k < n; k++)); do
        line=$(summary "${labels[k]}" <"${files[k]}")
        rm -f "${files[k]}"
        echo "$line"
        MEDIAN[${labels[k]}]=$(awk '{ print $(NF - 2) }' <<<"$line")
    done
}

# The ratio of two rows' medians, and the target it is held to.
ratio() {
    awk -v a="${MEDIAN[$1]}" -v b="${MEDIAN[$2]}" -v label="$1 / $2" -v target="$3" \
        'BEGIN { printf "  %-72s %5.2f  (target <= %s)\n", label, a / b, target }'
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

    # The four-modem daemon beside this one, whose bus is kept for the
    # report of its only modem.
    ONE_MODEM_BUS=$DBUS_SYSTEM_BUS_ADDRESS /usr/bin/python3 \
        "$here/../tests/modemmanager/real_daemon/run_with_modem.py" --enable --modems 4 -- \
        bash "$0" --four-modems-inside "$report" "$runs"
}

# Inside the four-modem driver, itself inside the one-modem driver.
four_modems_table() {
    REPORT=$1
    local runs=$2
    LAST_ID=$(sed -n 's/^imei=//p' "$PARAVUE_AT_MODEM_FACTS_3")
    # Timing a run that fails early, or describes another modem, would flatter it.
    if [ "$("$REPORT" --list | grep -c '^Modem ')" != 4 ] ||
        ! "$REPORT" --modem 3 | grep -q "^DeviceId  *$LAST_ID" ||
        ! "$REPORT" --modem "$LAST_ID" | grep -q "^Completed Successfully" ||
        ! "$REPORT" --metrics | grep -q '^paravue_modems 4$' ||
        ! only_of_one | grep -q "^Completed Successfully"; then
        echo "real daemon, 4 modems: paravue-report does not list, report or measure" \
             "all four; no figures" >&2
        return 1
    fi
    echo "real daemon, 4 modems: $(ModemManager --version | head -n1), all registered;" \
         "$runs rounds, ms"
    printf '  %-44s %7s %7s %7s\n' "whole-process wall time" median min max
    alternate "$runs" \
        "paravue-report --list" report_list \
        "mmcli -L" mmcli_list \
        "paravue-report --metrics" report_metrics
    alternate "$runs" \
        "paravue-report --modem 3 (last of 4)" last_of_four \
        "paravue-report --modem <its device ID>" last_by_id \
        "paravue-report (only modem of 1)" only_of_one \
        "mmcli -m 3" mmcli_last
    echo "ratios of the medians:"
    ratio "paravue-report --list" "mmcli -L" 1.2
    ratio "paravue-report --metrics" "mmcli -L" 1.2
    ratio "paravue-report --modem 3 (last of 4)" "paravue-report (only modem of 1)" 1.1
    ratio "paravue-report --modem <its device ID>" "paravue-report (only modem of 1)" 1.1
}
report_list() { "$REPORT" --list; }
mmcli_list() { mmcli -L; }
report_metrics() { "$REPORT" --metrics; }
last_of_four() { "$REPORT" --modem 3; }
last_by_id() { "$REPORT" --modem "$LAST_ID"; }
only_of_one() { DBUS_SYSTEM_BUS_ADDRESS=$ONE_MODEM_BUS "$REPORT"; }
mmcli_last() { mmcli -m 3; }

if [ "${1:-}" = "--real-daemon-inside" ]; then
    real_daemon_table "$2" "$3"
    exit
fi
if [ "${1:-}" = "--four-modems-inside" ]; then
    four_modems_table "$2" "$3"
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
