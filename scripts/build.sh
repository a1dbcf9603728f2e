#!/usr/bin/env bash
# Configures and builds into build/ (or the directory given as BUILD_DIR), with any extra CMake
# arguments passed through.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build_dir" -j"$(nproc)"
