#!/usr/bin/env bash
# The Debian package: cpack builds it with its metadata and files, lintian finds
# no error in it (when lintian is installed), dpkg installs it on this machine, the program runs and man finds its page, and dpkg -r
# removes it leaving nothing behind. Installing needs root and dpkg (CI runs as
# root); without them the test is skipped. It never touches a quillox that is
# already installed, nor a file of the package's that is already on the
# machine, and it removes the package again however it ends.
# Usage: deb_test.sh BUILD_DIR RELEASE EXPECT_LIBUSB(0|1)
set -uo pipefail
build_dir=$1 release=$2 expect_libusb=$3

skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root (CI runs the test as root)"
for tool in dpkg dpkg-deb dpkg-query cpack flock; do
    command -v "$tool" >/dev/null || skip "$tool is not available"
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d)
installed_by_us=0
cleanup() {
    if [ "$installed_by_us" -eq 1 ]; then
        echo "cleanup: removing the package"
        dpkg_locked -P quillox >/dev/null 2>&1 || echo "cleanup: dpkg -P quillox failed; remove it by hand"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# dpkg refuses while apt or another dpkg holds its lock: wait for it (at most
# two minutes) instead of failing.
dpkg_locked() {
    local i out status
    for ((i = 0; i < 120; i++)); do
        out=$(dpkg "$@" 2>&1)
        status=$?
        if [ "$status" -ne 0 ] && [[ $out == *"lock"* ]]; then
            sleep 1
            continue
        fi
        printf '%s\n' "$out"
        return "$status"
    done
    printf '%s\n' "$out"
    return "$status"
}

package_state() {
    dpkg-query -W -f='${db:Status-Status}' quillox 2>/dev/null || echo not-installed
}

# Build the package from the build folder into a folder of this test's own.
if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack -G DEB"
    exit 1
fi
deb=$(find "$work" -maxdepth 1 -name 'quillox_*.deb' | head -n 1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: cpack made no quillox_*.deb"; exit 1; }
echo "package: ${deb##*/} ($(stat -c %s "$deb") bytes)"

# Metadata.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillox ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$release" ] || fail "Version is '$(field Version)', the release is $release"
[[ "$(field Maintainer)" == "The Quillox authors <"*">" ]] || fail "Maintainer is '$(field Maintainer)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
[[ $depends == *libc6* ]] || fail "Depends lacks libc6: '$depends'"
[[ $depends == *libstdc++6* ]] || fail "Depends lacks libstdc++6: '$depends'"
if [ "$expect_libusb" = 1 ]; then
    [[ $depends == *libusb-1.0-0* ]] || fail "Depends lacks libusb-1.0-0: '$depends'"
fi
description=$(field Description)
[[ $description == *Garmin* && $description == *MIT* ]] ||
    fail "Description does not say what it is and its licence: '$description'"

# Contents: every path under /usr, the files the package must carry.
mapfile -t paths < <(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$')
for p in "${paths[@]}"; do
    [[ $p == /usr || $p == /usr/* ]] || fail "the package installs outside /usr: $p"
done
for f in /usr/bin/quillox /usr/bin/quillox-sim /usr/share/man/man1/quillox.1.gz \
    /usr/share/man/man1/quillox-sim.1.gz /usr/lib/udev/rules.d/51-quillox-garmin-usb.rules \
    /usr/share/bash-completion/completions/quillox /usr/share/doc/quillox/LICENSE \
    /usr/share/doc/quillox/README.md /usr/share/doc/quillox/copyright \
    /usr/share/doc/quillox/changelog.gz; do
    printf '%s\n' "${paths[@]}" | grep -qx "$f" || fail "the package lacks $f"
done
# Debian's policy checker: warnings are shown, errors fail the test.
if command -v lintian >/dev/null; then
    lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'root privileges')
    [ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
    if printf '%s\n' "$lintian_out" | grep -q '^E: '; then
        fail "lintian finds errors in the package"
    fi
else
    echo "note: lintian is not installed; the package is not checked against Debian's policy"
fi
if [ "$failures" -ne 0 ]; then
    exit 1
fi

# Only one run at a time on this machine installs the package.
exec 9>/tmp/quillox-deb-test.lock
flock -w 120 9 || skip "another package test holds /tmp/quillox-deb-test.lock"
state=$(package_state)
[ "$state" = not-installed ] || skip "quillox is installed on this machine ($state); the test leaves it alone"
existing_dirs=()
for p in "${paths[@]}"; do
    if [ -d "$p" ]; then
        existing_dirs+=("$p")
    elif [ -e "$p" ]; then
        skip "$p is already on this machine; installing the package would replace it"
    fi
done

installed_by_us=1
if ! out=$(dpkg_locked -i "$deb"); then
    printf '%s\n' "$out"
    echo "FAIL: dpkg -i"
    exit 1
fi
[ "$(package_state)" = installed ] || fail "after dpkg -i the package is '$(package_state)'"

# The program runs. Until --version is a switch of its own the program prints
# its banner for any run and calls the unknown switch a usage error (2).
out=$(/usr/bin/quillox --version </dev/null 2>&1)
status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 2 ] || fail "quillox --version exits with $status"
[[ $out == *"QUILLOX $release"* ]] || fail "quillox --version prints '$out'"
sim_help=$(/usr/bin/quillox-sim --help 2>&1) || fail "quillox-sim --help fails: $sim_help"

# man finds the pages where the package put them (unless this machine's dpkg
# is told to leave manual pages out, as some minimal images are).
if grep -rqs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d; then
    echo "note: dpkg here leaves out manual pages; man -w is not checked"
elif ! command -v man >/dev/null; then
    fail "man is not installed (scripts/install-deps test installs man-db)"
else
    for page in quillox quillox-sim; do
        found=$(man -aw "$page" 2>&1)
        printf '%s\n' "$found" | grep -qx "/usr/share/man/man1/$page.1.gz" ||
            fail "man -w $page finds '$found'"
    done
fi
[ -f /usr/lib/udev/rules.d/51-quillox-garmin-usb.rules ] || fail "the udev rule is not in place"

# Removal leaves nothing behind: no file, no folder the package made, no record.
if ! out=$(dpkg_locked -r quillox); then
    printf '%s\n' "$out"
    fail "dpkg -r"
fi
state=$(package_state)
[ "$state" = not-installed ] || fail "after dpkg -r the package is '$state'"
[ "$state" = not-installed ] && installed_by_us=0
for p in "${paths[@]}"; do
    if [ -e "$p" ] && ! printf '%s\n' "${existing_dirs[@]}" | grep -qx "$p"; then
        fail "dpkg -r left $p"
    fi
done

[ "$failures" -eq 0 ] || exit 1
echo "package installs, runs and removes cleanly"
