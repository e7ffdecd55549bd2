#!/usr/bin/env bash
# The manual pages render without a warning (groff at the width of a common
# terminal, mandoc's lint, man -l itself), name the release, and document every
# switch the program's help lists.
# Usage: man_pages_test.sh SOURCE_DIR QUILLOX_EXE RELEASE
set -uo pipefail
source_dir=$1 quillox=$2 release=$3
pages=("$source_dir/man/quillox.1" "$source_dir/man/quillox-sim.1")
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! command -v groff >/dev/null; then
    echo "SKIP: groff is not installed (scripts/install-deps test installs it)"
    exit 77
fi

for page in "${pages[@]}"; do
    name=${page##*/}
    # 72 columns: an 80-column terminal less the page's indent.
    for width in 78n 72n; do
        out=$(groff -ww -z -t -man -Tutf8 -rLL=$width "$page" 2>&1)
        [ -z "$out" ] || fail "groff warns on $name at line length $width: $out"
    done
    if command -v mandoc >/dev/null; then
        out=$(mandoc -T lint -W style "$page" 2>&1)
        [ -z "$out" ] || fail "mandoc lint on $name: $out"
    fi
    if command -v man >/dev/null; then
        out=$(MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
        [ -z "$out" ] || fail "man -l $name: $out"
    fi
    grep -q "^\.TH .*\"Quillox $release\"" "$page" || fail "$name does not name release $release in .TH"
done

# Every switch of the help text has its entry in the OPTIONS section.
help=$("$quillox" </dev/null 2>&1)
switches=$(printf '%s\n' "$help" | sed -n 's|^  \(/[a-z]*\).*|\1|p')
[ "$(printf '%s\n' "$switches" | wc -l)" -ge 20 ] || fail "too few switches read from the help: $switches"
for s in $switches; do
    grep -Eq "^\.(B|BI|BR) $s( |$)" "${pages[0]}" || fail "quillox.1 does not document $s"
done
for s in --help --version; do
    grep -q "\\\\-\\\\-${s#--}" "${pages[0]}" || fail "quillox.1 does not mention $s"
done

# The simulator's page names every option its --help prints.
sim="${quillox%/*}/quillox-sim"
if [ -x "$sim" ]; then
    for option in $("$sim" --help 2>&1 | grep -o '^  --[a-z-]*'); do
        grep -q "^\.BI\? $(printf '%s' "$option" | sed 's/-/\\\\-/g')\( \|$\)" "${pages[1]}" ||
            fail "quillox-sim.1 does not document $option"
    done
fi

[ "$failures" -eq 0 ] || exit 1
echo "manual pages: clean"
