#!/usr/bin/env bash
# Installs the dependencies, builds, and starts tarn-config. When no device of the family is
# attached, a virtual wheel base, pedals and button plate are started on a private bus first;
# arguments go to their simulator (e.g. --late-answers 750). The demo keeps its own settings in
# build/demo-config, with a game rule to try the Games tab with.
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

export XDG_CONFIG_HOME="$PWD/build/demo-config"
if [ ! -e "$XDG_CONFIG_HOME/tarn-config/games.ini" ]; then
    mkdir -p "$XDG_CONFIG_HOME/tarn-config"
    cat >"$XDG_CONFIG_HOME/tarn-config/games.ini" <<'EOF'
# The demo's game: start it with  (exec -a tarn-demo-game sleep 30)
[Demo Game]
match = tarn-demo-game
wheelbase = Rally
pedals = Soft brake
buttonplate = Rally
EOF
fi
echo "Games tab: run  (exec -a tarn-demo-game sleep 30)  in a terminal to start the demo game."

run=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running on a virtual X server (xvfb-run)."
    run=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
TARN_HID_BUS="$bus" "${run[@]}" build/tarn-config
