#!/usr/bin/env bash
# Installs the dependencies, builds, and starts tarn-config. When no device of the family is
# attached, a virtual wheel base, pedals and button plate are started on a private bus first;
# arguments go to their simulator (e.g. --late-answers 750).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

if build/tarn-config --has-usb-device >/dev/null; then
    exec build/tarn-config
fi

bus=$(mktemp -d)
build/sim/tarn-device-sim --bus "$bus" "$@" wheelbase pedals buttonplate &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$bus"' EXIT

run=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running on a virtual X server (xvfb-run)."
    run=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
TARN_HID_BUS="$bus" "${run[@]}" build/tarn-config
