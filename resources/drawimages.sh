#!/usr/bin/env bash
# Redraws the PNGs of resources/ with drawimages.cpp (needs a C++ compiler and Qt 5 Gui).
# Only needed when the pictures change.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++17 -O2 -fPIC drawimages.cpp -o "$work/drawimages" $(pkg-config --cflags --libs Qt5Gui)
QT_QPA_PLATFORM=offscreen "$work/drawimages"
