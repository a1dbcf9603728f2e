#!/usr/bin/env bash
# Checks the formatting of every tracked C++ file, then runs clang-tidy (the checks in
# .clang-tidy) over the program's sources and their headers. Any finding fails.
#   scripts/lint.sh [BUILD_DIR]   BUILD_DIR (default build/) is built first: clang-tidy reads its
#                                 compile_commands.json and needs the generated moc and uic headers.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}

echo "clang-format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

BUILD_DIR=$build_dir scripts/build.sh >/dev/null

echo "clang-tidy"
folders="(app|ctl|usb|wheelbase|pedals|buttonplate|profiles|firmware|games)/"
# Each library's headers are reached through links in the build's include trees; findings in
# them are shown at the header's own path.
include_trees="$(cd "$build_dir" && pwd)/include/[^/]+/"
# run-clang-tidy always asks for colours and clang counts the warnings it hides in Qt's headers;
# the log gets neither.
run-clang-tidy -p "$build_dir" -j 2 -quiet -header-filter="^($PWD/|$include_trees)$folders" \
    "^$PWD/$folders.*\.cpp$" 2>&1 |
    sed -r -e 's/\x1b\[[0-9;]*m//g' -e '/^[0-9]+ warnings? generated\.$/d' \
        -e "s#^$include_trees#$PWD/#"
