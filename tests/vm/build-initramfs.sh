#!/bin/sh
# Builds the tiny initramfs that boots the test VM: a static busybox, the modules that mount the
# host's root over virtio-9p, and our init. Usage: build-initramfs.sh KERNEL_VERSION JOB OUTPUT
# JOB is what init runs in the VM's chroot: a working directory, then the command, one argument
# per line.
set -eu

version=$1
job=$2
output=$3
here=$(cd "$(dirname "$0")" && pwd)
busybox=/bin/busybox # the static one of busybox-static

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging/bin" "$staging/modules" "$staging/dev" "$staging/newroot"
cp "$busybox" "$staging/bin/busybox"
cp "$here/init" "$staging/init"
cp "$job" "$staging/job"
chmod 755 "$staging/init" "$staging/bin/busybox"

# busybox's insmod hands the file to the kernel as it is, so compressed modules are unpacked
# here. modules.order keeps the dependency order that modprobe computed; built-in ones need no
# file.
: >"$staging/modules/modules.order"
modprobe -a -S "$version" --show-depends virtio_pci 9pnet_virtio 9p |
    awk '$1 == "insmod" && !seen[$2]++ { print $2 }' |
    while read -r module; do
        name=$(basename "$module")
        case "$name" in
        *.ko.xz) xz -dc "$module" >"$staging/modules/${name%.xz}" ;;
        *.ko.zst) zstd -qdc "$module" >"$staging/modules/${name%.zst}" ;;
        *.ko.gz) gzip -dc "$module" >"$staging/modules/${name%.gz}" ;;
        *) cp "$module" "$staging/modules/$name" ;;
        esac
        echo "${name%.ko*}.ko" >>"$staging/modules/modules.order"
    done

(cd "$staging" && find . | "$busybox" cpio -o -H newc -R 0:0 2>/dev/null) >"$output"
