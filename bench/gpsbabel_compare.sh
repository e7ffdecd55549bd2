#!/bin/sh
# Whole runs side by side: the program and GPSBabel converting the same
# OziExplorer track (200,000 and 1,000,000 points, and the GPX the program
# makes of it) into the formats both write. Each figure is the best of three
# runs in CPU seconds (user + system, /usr/bin/time), so that other work on
# the machine blurs it as little as it can; the load average is printed.
#
#   bench/gpsbabel_compare.sh [path/to/quillox] [points...]
set -eu

QUILLOX=${1:-build/quillox}
[ $# -gt 0 ] && shift
POINTS=${*:-200000 1000000}
command -v gpsbabel >/dev/null || { echo "gpsbabel is not installed" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed" >&2; exit 1; }
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT

# Best of three CPU seconds of a command.
best() {
    best=""
    for _ in 1 2 3; do
        /usr/bin/time -f "%U %S" -o "$DIR/time" "$@" >/dev/null 2>&1
        t=$(awk '{ printf "%.3f", $1 + $2 }' "$DIR/time")
        best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print (a < b ? a : b) }')
    done
    echo "$best"
}

row() { # what, ours, theirs
    awk -v w="$1" -v q="$2" -v g="$3" 'BEGIN { printf "%-22s %8.3f s %8.3f s %7.1fx\n", w, q, g, g / q }'
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for n in $POINTS; do
    # A diagonal walk, one point a second, a new segment every 10,000 points.
    awk -v n="$n" 'BEGIN {
        printf "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n"
        printf "Reserved 3\r\n0,2,255,Garmin Track,0,0,0,8421376\r\n%d\r\n", n
        for (k = 0; k < n; ++k)
            printf "%11.6f,%11.6f,%d,%d,%13.7f\r\n", 48 + k * 0.0000031, 9 - k * 0.0000044,
                   k % 10000 == 0, 656 + k % 1000, 36000 + k / 86400
    }' >"$DIR/in.plt"
    "$QUILLOX" /i "$DIR/in.plt" "$DIR/in.gpx" >/dev/null
    echo "$n points                 quillox   GPSBabel  ratio"
    row "PLT -> PLT" "$(best "$QUILLOX" /i "$DIR/in.plt" "$DIR/q.plt")" \
        "$(best gpsbabel -t -i ozi -f "$DIR/in.plt" -o ozi -F "$DIR/g.plt")"
    row "GPX -> PLT" "$(best "$QUILLOX" /i "$DIR/in.gpx" "$DIR/q.plt")" \
        "$(best gpsbabel -t -i gpx -f "$DIR/in.gpx" -o ozi -F "$DIR/g.plt")"
    row "PLT -> NME" "$(best "$QUILLOX" /i "$DIR/in.plt" "$DIR/q.nme")" \
        "$(best gpsbabel -t -i ozi -f "$DIR/in.plt" -o nmea -F "$DIR/g.nme")"
    row "PLT -> OVL" "$(best "$QUILLOX" /i "$DIR/in.plt" "$DIR/q.ovl")" \
        "$(best gpsbabel -t -i ozi -f "$DIR/in.plt" -o ggv_ovl -F "$DIR/g.ovl")"
    row "PLT read (to VKD)" "$(best "$QUILLOX" /i "$DIR/in.plt" "$DIR/q.vkd")" \
        "$(best gpsbabel -t -i ozi -f "$DIR/in.plt")"
done
