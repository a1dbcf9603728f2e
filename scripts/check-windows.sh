#!/usr/bin/env bash
# Compiles the Windows-only sources with Debian's mingw-w64 cross compiler against the real
# Windows headers (syntax and types; nothing is linked or run), so that they cannot rot unbuilt
# on the Linux machines the suite runs on. Installs the compiler when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=x86_64-w64-mingw32-g++

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if ! command -v "$compiler" >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update
    as_root apt-get install -y --no-install-recommends g++-mingw-w64-x86-64
fi

# The Windows platforms of the games compatibility key and of the process list, and the logic
# Windows builds beside them.
sources=(wheelbase/gameskeyplatform_windows.cpp wheelbase/gamescompatibilitykey.cpp
         games/processlist_windows.cpp games/processwatcher.cpp)
for source in "${sources[@]}"; do
    echo "$compiler $source"
    "$compiler" -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I . "$source"
done
