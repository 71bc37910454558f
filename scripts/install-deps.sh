#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# --no-install-recommends keeps systemd and udev off the machine: the tests bring
# their own private bus and mock service. modemmanager brings the real daemon and
# mmcli for the tests that run it on that private bus against a simulated modem
# (its own system service is never used by the tests). prometheus brings promtool, which checks
# the metrics and the alerting rules; the tests start prometheus-node-exporter's binary themselves
# on a free local port, never its system service.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libexpat1-dev
    qt6-base-dev libgl-dev fonts-liberation
    libmm-glib-dev libglib2.0-dev modemmanager-dev
    python3 python3-dbusmock dbus-daemon dbus-bin
    modemmanager util-linux
    desktop-file-utils appstream mandoc dpkg-dev file lintian
    clang libclang-rt-14-dev
    prometheus prometheus-node-exporter
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
