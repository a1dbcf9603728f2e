#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite.
#   scripts/test.sh                      the suite
#   scripts/test.sh --sanitize address   the suite under AddressSanitizer + UBSan (build-asan/)
#   scripts/test.sh --sanitize thread    the device-manager tests under ThreadSanitizer (build-tsan/)
set -euo pipefail
cd "$(dirname "$0")/.."

sanitizer=""
if [ "${1:-}" = "--sanitize" ]; then
    sanitizer=${2:?address or thread}
fi

scripts/install-deps.sh --tests

tests=()
if [ -z "$sanitizer" ]; then
    export BUILD_DIR=build
    scripts/build.sh -DTARN_WERROR=ON
else
    export BUILD_DIR=build-$([ "$sanitizer" = thread ] && echo tsan || echo asan)
    scripts/build.sh -DTARN_WERROR=ON -DTARN_SANITIZE="$sanitizer"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
    if [ "$sanitizer" = thread ]; then
        tests=(-R 'usbmanager|retry')
    else
        # The VM test boots an emulated machine and the package test packs the programs: neither
        # gains from the sanitizers.
        tests=(-E 'vm|package')
    fi
fi

cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600 -j"$(nproc)" "${tests[@]}"
