#!/bin/sh
# The kernel-HID test inside the VM, as root in a chroot of the host's root: loads UHID and the
# generic HID driver, checks tarn-config's probe mode with and without a UHID wheel base from
# tarn-device-sim, and as an unprivileged user without and with access to its hidraw node, then
# runs the device-manager check. All through the system's hidapi.
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

# probe STATUS LINE ERRORS [COMMAND...]: tarn-config --has-usb-device, run by COMMAND, must exit
# with STATUS, print LINE and write ERRORS on standard error.
probe() {
    expected_status=$1 expected_output=$2 expected_errors=$3
    shift 3
    output=$("$@" "$tarn_config" --has-usb-device 2>/run/probe-errors)
    status=$?
    errors=$(cat /run/probe-errors)
    if [ "$status" -eq "$expected_status" ] && [ "$output" = "$expected_output" ] &&
        [ "$errors" = "$expected_errors" ]; then
        echo "ok: --has-usb-device: \"$output\", exit $status${errors:+, \"$errors\"}"
    else
        fail "--has-usb-device: \"$output\", exit $status, \"$errors\"; expected" \
            "\"$expected_output\", exit $expected_status, \"$expected_errors\""
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

probe 1 "No TARN USB device found." ""

"$device_sim" --uhid wheelbase &
sim=$!
if wait_for_hidraw 0005:0483:A355 "$sim"; then
    probe 0 "Found TARN USB device." ""
else
    fail "tarn-device-sim --uhid wheelbase gave no hidraw node"
fi
kill "$sim" 2>/dev/null
wait "$sim"

# The same wheel base, for an unprivileged user id (no account needed) without access to its
# hidraw node: nothing found, and the device and the fix on standard error. Plugged in again with
# its node given to the user, as the udev rules give it, it is found. The user runs a copy of the
# tool in /run, since the build directory may be out of its reach.
user=4242
as_user="setpriv --reuid=$user --regid=$user --clear-groups --"
cp "$tarn_config" /run/tarn-config && chmod 755 /run/tarn-config
tarn_config_as_root=$tarn_config
tarn_config=/run/tarn-config
"$device_sim" --uhid wheelbase &
sim=$!
if wait_for_hidraw 0005:0483:A355 "$sim"; then
    node=/dev/$(basename /sys/bus/hid/devices/0005:0483:A355.*/hidraw/hidraw*)
    chmod 600 "$node"
    probe 1 "No TARN USB device found." "TARN Torvane Wheel Base at $node is present but not \
accessible: no permission to open it; install the tarn-config package, or its udev rules \
(tarn-udev-rules), then unplug the device and plug it in again." $as_user
else
    fail "tarn-device-sim --uhid wheelbase gave no hidraw node"
fi
kill "$sim" 2>/dev/null
wait "$sim"
"$device_sim" --uhid wheelbase &
sim=$!
if wait_for_hidraw 0005:0483:A355 "$sim"; then
    chown "$user:$user" /dev/"$(basename /sys/bus/hid/devices/0005:0483:A355.*/hidraw/hidraw*)"
    probe 0 "Found TARN USB device." "" $as_user
else
    fail "tarn-device-sim --uhid wheelbase gave no hidraw node"
fi
kill "$sim" 2>/dev/null
wait "$sim"
tarn_config=$tarn_config_as_root

"$uhid_check" || fail "tarn-uhid-check"

if [ "$failures" -eq 0 ]; then
    echo "PASS: probe mode and device manager against UHID devices"
fi
exit "$failures"
