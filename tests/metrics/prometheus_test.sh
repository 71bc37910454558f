#!/usr/bin/env bash
# Prometheus's own tools on what paravue-report writes.
#   prometheus_test.sh promtool SOURCE_DIR REPORT_BINARY
#     every golden of tests/metrics passes `promtool check metrics` without a
#     remark, and docs/paravue-alerts.yml passes `promtool check rules`;
#   prometheus_test.sh node_exporter SOURCE_DIR REPORT_BINARY
#     node_exporter (started here, never the system's service) reads the file
#     `--metrics --output` writes into its textfile directory.
# Exits 77 (skipped) when the tool is not installed.
set -euo pipefail
check=$1 source=$2 report=$3

if [ "$check" = promtool ]; then
    command -v promtool >/dev/null || { echo "skipped: promtool not installed (Debian: prometheus)"; exit 77; }
    for golden in "$source"/tests/metrics/*.prom; do
        remarks=$(promtool check metrics <"$golden" 2>&1) || { echo "$golden: $remarks" >&2; exit 1; }
        [ -z "$remarks" ] || { echo "$golden: $remarks" >&2; exit 1; }
    done
    promtool check rules "$source/docs/paravue-alerts.yml"
    exit 0
fi

exporter=$(command -v prometheus-node-exporter || command -v node_exporter || true)
[ -n "$exporter" ] || { echo "skipped: node_exporter not installed (Debian: prometheus-node-exporter)"; exit 77; }
directory=$(mktemp -d)
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    [ -z "$pid" ] || wait "$pid" 2>/dev/null || true
    rm -rf "$directory"
}
trap cleanup EXIT

"$report" --metrics --scenario "$source/tests/metrics/three_modems.json" \
    --output "$directory/paravue.prom"

# A free port: bound to port 0 by the kernel's choice, then given up for the exporter.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$exporter" --web.listen-address="127.0.0.1:$port" --collector.disable-defaults \
    --collector.textfile --collector.textfile.directory="$directory" \
    >"$directory/exporter.log" 2>&1 &
pid=$!
fetch() {
    python3 - "$1" <<'PY'
import sys, urllib.request
print(urllib.request.urlopen(sys.argv[1], timeout=5).read().decode())
PY
}
metrics=
for _ in $(seq 50); do
    metrics=$(fetch "http://127.0.0.1:$port/metrics" 2>/dev/null) && break
    kill -0 "$pid" 2>/dev/null || { cat "$directory/exporter.log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$metrics" ] || { echo "node_exporter did not answer on port $port" >&2; exit 1; }

status=0
grep -qx 'node_textfile_scrape_error 0' <<<"$metrics" || { echo "node_textfile_scrape_error is not 0" >&2; status=1; }
for family in service_up modems modem_info modem_ready_state modem_register_state \
    modem_activation_state modem_signal_rssi_dbm modem_data_class modem_radio_on \
    modem_emergency_mode modem_provider_info modem_facts_ok modem_facts_failure_status \
    collect_duration_seconds build_info; do
    grep -q "^# TYPE paravue_$family gauge" <<<"$metrics" || { echo "missing: paravue_$family" >&2; status=1; }
done
grep -qF 'paravue_modem_register_state{modem="wwan0",state="roaming"} 1' <<<"$metrics" ||
    { echo "node_exporter shows other values than the file" >&2; status=1; }
[ "$status" -eq 0 ] || grep paravue_ <<<"$metrics" >&2 || true
exit "$status"
