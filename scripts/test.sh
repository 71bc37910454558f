#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs the whole test suite, checks the event path for data races with
# ThreadSanitizer, fuzzes the scenario reader and the report run for a minute
# each, then checks the installed files and the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$(nproc)"
ctest --preset asan -j"$(nproc)" --label-exclude real-daemon
# Then the real ModemManager daemon against a simulated modem (one daemon start
# per binary, about 20 s each; they skip with the reason where it cannot run).
ctest --preset asan -j"$(nproc)" --label-regex real-daemon

scripts/tsan.sh

scripts/fuzz.sh "${PARAVUE_FUZZ_SECONDS:-60}"

# What a desktop expects of an installed copy, and the Debian package's round trip.
scripts/check-package.sh
