#!/bin/bash
# The install and the Debian package: installs the build into a DESTDIR and checks every file and
# its place, validates the desktop entry and the AppStream metainfo, builds the package with CPack
# and checks its control fields and contents, then installs it into a private dpkg root, where
# its maintainer scripts run too, and removes it again. Exit status 77 (CTest's skip) when a
# tool it needs is missing.
#
#   check-package.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)

for tool in cmake cpack dpkg dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool not found (scripts/install-deps.sh --tests installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarn-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

app=org.tarn.torvaneconfig
expected=$(printf '%s\n' /usr/bin/tarn-config /usr/bin/tarn-device-sim /usr/bin/tarnctl \
    /usr/share/man/man1/tarnctl.1.gz /usr/share/bash-completion/completions/tarnctl \
    /usr/lib/udev/rules.d/70-tarn-config.rules /usr/lib/systemd/user/tarnctl-watch.service \
    /usr/share/applications/$app.desktop /usr/share/metainfo/$app.metainfo.xml \
    /usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/tarn-config.png |
    sort)

# SIZE FILE: FILE is a PNG of SIZE x SIZE pixels (the width and height of its header).
png_is() {
    [ "$(od -An -tx1 -j1 -N3 "$2" | tr -d ' \n')" = 504e47 ] &&
        [ "$(od -An -tu1 -j16 -N8 "$2" | awk '{ print $3 * 256 + $4, $7 * 256 + $8 }')" = "$1 $1" ]
}

# ROOT: the installed tree under ROOT is exactly the expected one, and each file does its job.
check_tree() {
    root=$1
    found=$(cd "$root" && find . -type f -o -type l | sed 's/^\.//' | grep -v '^/var/lib/dpkg/' |
        sort)
    if [ "$found" = "$expected" ]; then ok "the files and their places"; else
        fail "installed files differ from the expected ones:"
        diff <(echo "$expected") <(echo "$found")
    fi
    for program in tarn-config tarn-device-sim tarnctl; do
        [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
    done
    if cmp -s <("$build/tarn-udev-rules") "$root/usr/lib/udev/rules.d/70-tarn-config.rules" &&
        grep -q 'TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-tarn-config.rules"; then
        ok "the udev rules are the device table's, with uaccess"
    else
        fail "the udev rules are not what tarn-udev-rules prints, with uaccess"
    fi
    for size in 16 24 32 48 64 128 256; do
        png_is $size "$root/usr/share/icons/hicolor/${size}x$size/apps/tarn-config.png" ||
            fail "the ${size}x$size icon is no PNG of that size"
    done
    bus=$(mktemp -d "$work/bus.XXXXXX")
    output=$(TARN_HID_BUS=$bus "$root/usr/bin/tarn-config" --has-usb-device)
    [ $? -eq 1 ] && [ "$output" = "No TARN USB device found." ] ||
        fail "the installed tarn-config's probe said \"$output\""
    output=$(TARN_HID_BUS=$bus "$root/usr/bin/tarnctl" list)
    [ $? -eq 0 ] && [ "$output" = "No TARN device attached." ] ||
        fail "the installed tarnctl's list said \"$output\""
    zcat "$root/usr/share/man/man1/tarnctl.1.gz" | grep -q '^\.SS "Exit status:"' ||
        fail "the man page of tarnctl has no exit status section"
    bash -c ". '$root/usr/share/bash-completion/completions/tarnctl' && complete -p tarnctl" \
        >/dev/null || fail "the bash completion does not complete tarnctl"
    grep -qx 'ExecStart=/usr/bin/tarnctl watch' "$root/usr/lib/systemd/user/tarnctl-watch.service" ||
        fail "the systemd user unit does not start the installed tarnctl watch"
}

echo "== cmake --install into a DESTDIR"
if DESTDIR="$work/destdir" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
    check_tree "$work/destdir"
    desktop-file-validate "$work/destdir/usr/share/applications/$app.desktop" &&
        ok "desktop-file-validate" || fail "desktop-file-validate"
    grep -qx 'Exec=tarn-config' "$work/destdir/usr/share/applications/$app.desktop" &&
        grep -qx 'Icon=tarn-config' "$work/destdir/usr/share/applications/$app.desktop" ||
        fail "the desktop entry does not start tarn-config with its icon"
    appstreamcli validate --no-net "$work/destdir/usr/share/metainfo/$app.metainfo.xml" &&
        ok "appstreamcli validate" || fail "appstreamcli validate"
else
    cat "$work/install.log"
    fail "cmake --install"
fi

echo "== cpack -G DEB"
if (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb") \
    >"$work/cpack.log" 2>&1; then
    deb=$(ls "$work"/deb/*.deb)
    field() { dpkg-deb --field "$deb" "$1"; }
    [ "$(field Package)" = tarn-config ] || fail "Package: $(field Package)"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
        fail "Architecture: $(field Architecture)"
    [ -n "$(field Version)" ] && [ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] ||
        fail "Version, Maintainer or Description missing"
    depends=$(field Depends)
    for library in libc6 libstdc++6 libqt5core5a libqt5gui5 libqt5widgets5 libhidapi-hidraw0; do
        grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
    done
    ok "control fields; Depends: $depends"
    contents=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' | sort)
    [ "$contents" = "$expected" ] && ok "package contents" ||
        fail "package contents differ: $(diff <(echo "$expected") <(echo "$contents"))"

    echo "== dpkg: install into a private root, then purge"
    root=$work/dpkgroot
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    : >"$root/var/lib/dpkg/status"
    dpkg_root() {
        dpkg --root="$root" --force-depends --force-script-chrootless --force-not-root \
            --log=/dev/null "$@"
    }
    if dpkg_root -i "$deb" >"$work/dpkg.log" 2>&1; then
        check_tree "$root"
        if dpkg_root -P tarn-config >>"$work/dpkg.log" 2>&1 &&
            [ -z "$(cd "$root" && find . -type f -path './usr/*')" ]; then
            ok "installed and purged cleanly"
        else
            cat "$work/dpkg.log"
            fail "purging left files behind: $(cd "$root" && find . -type f -path './usr/*')"
        fi
    else
        cat "$work/dpkg.log"
        fail "dpkg -i"
    fi
else
    cat "$work/cpack.log"
    fail "cpack -G DEB"
fi

if [ "$failures" -eq 0 ]; then
    echo "PASS: install tree, desktop entry, metainfo and Debian package"
fi
[ "$failures" -eq 0 ]
