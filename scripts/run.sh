#!/usr/bin/env bash
# Installs what is missing, builds, and starts Paravue on the demo scenario: the
# window when a display is available, otherwise the report on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

export PARAVUE_SCENARIO="${PARAVUE_SCENARIO:-$PWD/examples/demo.json}"
if [ -x build/default/app/paravue ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec build/default/app/paravue
fi
exec build/default/cli/paravue-report
