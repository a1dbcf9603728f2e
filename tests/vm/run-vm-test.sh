#!/bin/bash
# The kernel-HID test's host side: boots the newest installed kernel that has UHID and 9p
# modules in QEMU (software emulation; the host's root shared read-only), runs COMMAND inside
# (see init) and prints the VM's console. Exit status: 0 when COMMAND passed, 77 (CTest's skip)
# when no VM can be started here, 1 otherwise.
#
#   run-vm-test.sh COMMAND [ARGUMENT...]
#   TARN_VM_KERNEL=/boot/vmlinuz-VERSION   use this kernel
#   TARN_VM_TIMEOUT=SECONDS                bound of the whole VM run (default 360)
set -u

here=$(cd "$(dirname "$0")" && pwd)
timeout_s=${TARN_VM_TIMEOUT:-360}

skip() {
    echo "SKIP: $*"
    exit 77
}

has_modules() {
    modprobe -a -S "$1" --show-depends uhid hid-generic virtio_pci 9pnet_virtio 9p >/dev/null 2>&1
}

[ "$(uname -m)" = x86_64 ] || skip "the test VM is x86-64, this machine is $(uname -m)"
qemu=$(command -v qemu-system-x86_64) ||
    skip "qemu-system-x86_64 not found (Debian package qemu-system-x86)"
command -v modprobe >/dev/null || skip "modprobe not found (Debian package kmod)"
if [ ! -x /bin/busybox ] || ldd /bin/busybox >/dev/null 2>&1; then
    skip "no static /bin/busybox (Debian package busybox-static)"
fi

kernel=""
for candidate in ${TARN_VM_KERNEL:-$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -rV)}; do
    version=${candidate##*/vmlinuz-}
    if [ -r "$candidate" ] && has_modules "$version"; then
        kernel=$candidate
        break
    fi
done
[ -n "$kernel" ] || skip "no readable /boot/vmlinuz-VERSION with uhid and 9p modules in" \
    "/lib/modules/VERSION (Debian package linux-image-amd64)"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarn-vm.XXXXXX")
trap 'rm -rf "$work"' EXIT
printf '%s\n' "$PWD" "$@" >"$work/job"
if ! "$here/build-initramfs.sh" "$version" "$work/job" "$work/initrd"; then
    echo "FAIL: cannot build the initramfs for kernel $version"
    exit 1
fi

echo "Booting $kernel in QEMU (software emulation, at most $timeout_s s)"
start=$SECONDS
timeout --kill-after=10 "$timeout_s" "$qemu" -accel tcg -m 1024 -smp 1 \
    -nographic -no-reboot -nic none \
    -kernel "$kernel" -initrd "$work/initrd" -append "console=ttyS0 loglevel=3 panic=-1" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    </dev/null 2>&1 | tee "$work/console.log"
qemu_status=${PIPESTATUS[0]}
elapsed=$((SECONDS - start))
console=$(tr -d '\r' <"$work/console.log")

result=$(grep -ao 'TARN-VM-EXIT=[0-9]*' <<<"$console" | tail -n 1)
if [ -n "$result" ]; then
    case ${result#TARN-VM-EXIT=} in
    0)
        echo "PASS: kernel HID test in the VM (${elapsed} s)"
        exit 0
        ;;
    77) skip "the VM's kernel cannot host UHID devices (${elapsed} s)" ;;
    *)
        echo "FAIL: the test in the VM exited with ${result#TARN-VM-EXIT=} (${elapsed} s)"
        exit 1
        ;;
    esac
fi
# Only a VM that never reached our init counts as one that cannot be started here.
if grep -aq -e 'TARN-VM: booted' -e 'Kernel panic' <<<"$console"; then
    if [ "$qemu_status" -eq 124 ]; then
        echo "FAIL: the VM did not finish within $timeout_s s"
    else
        echo "FAIL: the VM stopped before the test finished (QEMU status $qemu_status)"
    fi
    exit 1
fi
skip "QEMU did not boot the kernel (status $qemu_status after ${elapsed} s)"
