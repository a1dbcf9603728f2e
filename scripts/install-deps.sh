#!/usr/bin/env bash
# Installs what building, running and testing tarn-config needs on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qtbase5-dev qtbase5-dev-tools libhidapi-dev
    xvfb xauth
    # cpack -G DEB: dpkg-shlibdeps finds the package's dependencies.
    dpkg-dev
    # The man page of tarnctl is made from its help at build time.
    help2man
)
if [ "${1:-}" = "--tests" ]; then
    # The kernel HID test boots Debian's kernel in a small virtual machine.
    packages+=(qemu-system-x86 linux-image-amd64 busybox-static kmod)
    # scripts/lint.sh, which CI runs after the suite.
    packages+=(clang-format clang-tidy)
    # The package test validates the installed desktop entry and AppStream metainfo.
    packages+=(desktop-file-utils appstream)
    # scripts/test.sh --coverage reports line coverage with gcovr.
    packages+=(gcovr)
elif [ "${1:-}" = "--fuzz" ]; then
    # scripts/test.sh --fuzz: clang and its libFuzzer and sanitizer runtimes.
    packages+=(clang libclang-rt-14-dev)
fi

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

export DEBIAN_FRONTEND=noninteractive
as_root apt-get update
as_root apt-get install -y --no-install-recommends "${packages[@]}"
