#!/bin/sh
# Whole-process benchmark against the ModemManager mock on a private bus:
# paravue-report and `mmcli -m 0`, run alternately (one warm-up each, then
# RUNS runs each); prints both medians, their ratio and the method calls each
# sends. Figures only: nothing here passes or fails on time.
#
# Usage: scripts/bench-modemmanager.sh [PARAVUE_REPORT [RUNS]]
# (default: the optimised build, build/default/cli/paravue-report; 20 runs)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
report=${1:-$here/../build/default/cli/paravue-report}
runs=${2:-20}
if [ ! -x "$report" ]; then
    echo "bench-modemmanager: $report is not built (cmake --preset default && cmake --build --preset default --target paravue-report)" >&2
    exit 1
fi
echo "machine: $(uname -srm), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "mmcli: $(mmcli --version 2>/dev/null | head -n1)"
exec "$here/with-private-bus.sh" /usr/bin/python3 "$here/../tests/dbusmock/bus_calls.py" \
    bench --runs "$runs" --report "$report"
