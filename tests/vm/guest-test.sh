#!/bin/sh
# The kernel-HID test inside the VM, as root in a chroot of the host's root: loads UHID and the
# generic HID driver, checks tarn-config's probe mode with and without a UHID wheel base from
# tarn-device-sim, then runs the device-manager check. All through the system's hidapi.
#
#   guest-test.sh TARN_CONFIG TARN_DEVICE_SIM TARN_UHID_CHECK
# Exit status: 0 passed, 77 this kernel cannot host UHID devices, anything else failed.
set -u
tarn_config=$(realpath "$1")
device_sim=$(realpath "$2")
uhid_check=$(realpath "$3")

export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# /run is the VM's only writable place.
export HOME=/run TMPDIR=/run XDG_RUNTIME_DIR=/run/user QT_QPA_PLATFORM=offscreen
unset TARN_HID_BUS
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

if ! modprobe uhid || ! modprobe hid-generic || [ ! -c /dev/uhid ]; then
    echo "SKIP: this kernel cannot load uhid and hid-generic"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# probe STATUS LINE: tarn-config --has-usb-device must exit with STATUS and print LINE.
probe() {
    output=$("$tarn_config" --has-usb-device)
    status=$?
    if [ "$status" -eq "$1" ] && [ "$output" = "$2" ]; then
        echo "ok: --has-usb-device: \"$output\", exit $status"
    else
        fail "--has-usb-device: \"$output\", exit $status; expected \"$2\", exit $1"
    fi
}

# Waits (at most 60 s) until the HID device BUS:VENDOR:PRODUCT has a hidraw node, while the
# process PID that creates it lives.
wait_for_hidraw() {
    tries=0
    until ls /sys/bus/hid/devices/"$1".*/hidraw/hidraw* >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ "$tries" -gt 600 ] || ! kill -0 "$2" 2>/dev/null; then
            return 1
        fi
        sleep 0.1
    done
}

probe 1 "No TARN USB device found."

"$device_sim" --uhid wheelbase &
sim=$!
if wait_for_hidraw 0005:0483:A355 "$sim"; then
    probe 0 "Found TARN USB device."
else
    fail "tarn-device-sim --uhid wheelbase gave no hidraw node"
fi
kill "$sim" 2>/dev/null
wait "$sim"

"$uhid_check" || fail "tarn-uhid-check"

if [ "$failures" -eq 0 ]; then
    echo "PASS: probe mode and device manager against UHID devices"
fi
exit "$failures"
