#!/usr/bin/env bash
# `make install` lays out the program, the manual pages, the udev rule, the bash
# completion and the documentation under the prefix (into DESTDIR), the
# installed program runs, and the uninstall removes exactly that again.
# Usage: install_test.sh SOURCE_DIR BUILD_DIR RELEASE
set -uo pipefail
source_dir=$1 build_dir=$2 release=$3
prefix=/usr/local
destdir=$(mktemp -d)
trap 'rm -rf "$destdir"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! DESTDIR="$destdir" cmake --install "$build_dir" --prefix "$prefix" >"$destdir.log" 2>&1; then
    cat "$destdir.log"
    rm -f "$destdir.log"
    echo "FAIL: cmake --install"
    exit 1
fi
rm -f "$destdir.log"
root=$destdir$prefix

expected=(
    bin/quillox
    share/man/man1/quillox.1.gz
    lib/udev/rules.d/51-quillox-garmin-usb.rules
    share/bash-completion/completions/quillox
    share/doc/quillox/README.md
    share/doc/quillox/LICENSE
    share/doc/quillox/copyright
    share/doc/quillox/changelog.gz
)
if [ -x "$build_dir/quillox-sim" ]; then
    expected+=(bin/quillox-sim share/man/man1/quillox-sim.1.gz)
fi
for f in "${expected[@]}"; do
    [ -f "$root/$f" ] || fail "$prefix/$f was not installed"
done
# Nothing outside the prefix, nothing unexpected inside it.
unexpected=$(cd "$destdir" && find . -type f | sed 's|^\./||' | while read -r f; do
    found=0
    for e in "${expected[@]}"; do
        [ "$f" = "${prefix#/}/$e" ] && found=1
    done
    [ "$found" -eq 1 ] || echo "$f"
done)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"

for exe in quillox quillox-sim; do
    [ ! -e "$root/bin/$exe" ] || [ -x "$root/bin/$exe" ] || fail "$prefix/bin/$exe is not executable"
done
banner=$("$root/bin/quillox" </dev/null 2>&1 | head -n 1)
[[ $banner == "QUILLOX $release "* ]] || fail "the installed quillox prints '$banner'"
cmp -s "$root/lib/udev/rules.d/51-quillox-garmin-usb.rules" \
    "$source_dir/scripts/51-quillox-garmin-usb.rules" || fail "the udev rule differs from its source"
cmp -s "$root/share/doc/quillox/LICENSE" "$source_dir/LICENSE" || fail "LICENSE differs from its source"
if ! gzip -dc "$root/share/man/man1/quillox.1.gz" | cmp -s - "$source_dir/man/quillox.1"; then
    fail "the installed manual page differs from man/quillox.1"
fi
if command -v man >/dev/null; then
    out=$(MANPATH="$root/share/man" man -w quillox 2>&1)
    [ "$out" = "$root/share/man/man1/quillox.1.gz" ] || fail "man -w finds '$out'"
fi

# A file of the user's beside the installed ones survives the uninstall.
touch "$root/share/doc/quillox-notes"
if ! DESTDIR="$destdir" cmake -DQUILLOX_BUILD_DIR="$build_dir" -DQUILLOX_PREFIX="$prefix" \
    -P "$source_dir/cmake/Uninstall.cmake" >/dev/null; then
    fail "uninstall failed"
fi
left=$(cd "$destdir" && find . -type f ! -name quillox-notes | sed 's|^\./|/|')
[ -z "$left" ] || fail "uninstall left: $left"
[ ! -e "$root/share/doc/quillox" ] || fail "uninstall left $prefix/share/doc/quillox"
[ -e "$root/share/doc/quillox-notes" ] || fail "uninstall removed a file it did not install"

[ "$failures" -eq 0 ] || exit 1
echo "install layout: ${#expected[@]} files under $prefix, all removed again"
