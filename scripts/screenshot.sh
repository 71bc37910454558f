#!/usr/bin/env bash
# Takes docs/screenshot.png: the window on the demo scenario, under Xvfb.
# paravue saves its own window to the file that PARAVUE_SCREENSHOT names as
# soon as the report is shown, then closes by itself.
set -euo pipefail
cd "$(dirname "$0")/.."

[ -f build/default/build.ninja ] || cmake --preset default >/dev/null
cmake --build --preset default --target paravue

export PARAVUE_SCENARIO="$PWD/examples/demo.json"
export PARAVUE_SCREENSHOT="$PWD/docs/screenshot.png"
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24 -dpi 96" build/default/app/paravue
echo "Wrote docs/screenshot.png"
