#!/usr/bin/env bash
# The bash completion of quillox, with bash-completion loaded (as an installed
# system uses it) and without: switches in either case and with either lead
# character, the values of the numbered switches, and file names filtered by the
# types each switch reads or writes, whatever the case of their extension.
# Usage: completion_test.sh COMPLETION_SCRIPT QUILLOX_EXE
set -uo pipefail
script=$1 quillox=$2
bash_completion=/usr/share/bash-completion/bash_completion
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.vkd B.VKD c.Gpx d.kml e.txt f.nme 'my track.plt' g.Ovl h.cmp
mkdir folder

# The switches of the program's help, for the check that none is missing.
help_switches=$("$quillox" </dev/null 2>&1 | sed -n 's|^  \(/[a-z]*\).*|\1|p' | tr '\n' ' ')

run_cases() {
    local mode=$1
    if [ "$mode" = bash-completion ]; then
        # shellcheck source=/dev/null
        source "$bash_completion"
    fi
    # shellcheck source=/dev/null
    source "$script"
    local failures=0

    # Completes the command line $1 (completion at its end) and compares the
    # sorted candidates with $2.
    expect() {
        local line=$1 want=$2 got
        COMP_LINE=$line
        COMP_POINT=${#line}
        read -ra COMP_WORDS <<<"$line"
        [[ $line == *' ' ]] && COMP_WORDS+=('')
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMPREPLY=()
        _quillox quillox "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
        got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ')
        want=$(printf '%s\n' $want | LC_ALL=C sort | tr '\n' ' ')
        want=${want//+/ }
        if [ "$got" != "$want" ]; then
            echo "FAIL ($mode): '$line' offers [$got], expected [$want]"
            failures=$((failures + 1))
        fi
    }

    local all_switches="/c /m /f /u /d /dw /dp /dr /dt /g /i /e /w /l /v /z /b /s /tc /tw /ts /pc /ps /ph /pf /pb /?"
    expect 'quillox ' "$all_switches"
    expect 'quillox /t' '/tc /tw /ts'
    expect 'quillox /T' '/TC /TW /TS'
    expect 'quillox /Dw' '/DW'
    expect 'quillox --' '--help --version'
    expect 'quillox -p' '-pc -ps -ph -pf -pb'
    expect 'quillox x' ''

    # Files by type, in any case; folders always.
    local read_files='a.vkd B.VKD c.Gpx my+track.plt g.Ovl folder'
    local write_files="$read_files d.kml f.nme h.cmp"
    expect 'quillox /i ' "$read_files"
    expect 'quillox /I a.vkd ' "$write_files"
    expect 'quillox /e a.vkd ' "$write_files"
    expect 'quillox -e ' "$read_files"
    expect 'quillox /d ' "$write_files"
    expect 'quillox /dwt ' "$write_files"
    expect 'quillox /u ' "$read_files"
    expect 'quillox /w ' "$read_files"
    expect 'quillox /l a.vkd ' "$write_files e.txt"
    expect 'quillox /i my' 'my+track.plt'
    expect 'quillox /c 1 /d a.vkd /e a.vkd ' "$write_files"

    # Values, and the switch after a switch's values.
    expect 'quillox /tc ' '1 2 3 4 5 6'
    expect 'quillox /pb ' '1 2'
    expect 'quillox /f ' '1 2 3 4'
    expect 'quillox /m 10' '10 100 101'
    expect 'quillox /z 6' '6 60'
    expect 'quillox /ps ' ''
    expect 'quillox /ps 3 /p' '/pc /ps /ph /pf /pb'
    expect 'quillox /i a.plt b.vkd /b' '/b'
    expect 'quillox /c ./f' './f.nme ./folder'

    # Every switch the help lists is offered.
    local s
    for s in $help_switches; do
        [[ " $all_switches " == *" $s "* ]] || {
            echo "FAIL ($mode): the help's switch $s is not completed"
            failures=$((failures + 1))
        }
    done
    return $((failures > 0))
}

status=0
if [ -r "$bash_completion" ]; then
    (run_cases bash-completion) || status=1
else
    echo "note: $bash_completion not found; checking the completion on its own only"
fi
(run_cases plain) || status=1
[ "$status" -eq 0 ] && echo "bash completion: all cases pass"
exit "$status"
