#!/usr/bin/env bash
# The start-up race: Pellux against the floor (a bare Qt program showing the same
# number of QPlainTextEdit windows) and, when it is installed, xpad, on one private
# Xvfb (no window manager) per note count, in the same run, alternating, repeated.
#
#   bench/race.sh [--build DIR] [--notes "100 1000"] [--rounds N] [--no-xpad] [--no-build]
#
# Each start is timed by bench/mapwatch from just before the exec to the N-th mapped
# top-level window of the process as the X server reports it (MapNotify on the root),
# with its CPU time at that moment; resident memory is read 2 s later. The medians of
# the rounds are printed with Pellux's ratios to the floor.
# Needs: xvfb, libxcb1-dev (for mapwatch); xpad optional.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$here/../build"
counts="100 1000"
rounds=5
xpad=1
dobuild=1
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --notes) counts="$2"; shift 2 ;;
        --rounds) rounds="$2"; shift 2 ;;
        --no-xpad) xpad=0; shift ;;
        --no-build) dobuild=0; shift ;;
        -h|--help) sed -n 2,14p "$0"; exit 0 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done
# shellcheck source=bench/profile.sh
. "$here/profile.sh"

build="$(cd "$build" && pwd)"
[ "$dobuild" -eq 0 ] || cmake --build "$build" --target pellux pellux-floor mapwatch >/dev/null
for exe in pellux pellux-floor mapwatch; do
    [ -x "$build/bin/$exe" ] || { echo "not built: $build/bin/$exe" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 1; }
command -v xpad >/dev/null || xpad=0

work="$(mktemp -d "${TMPDIR:-/tmp}/pellux-race.XXXXXX")"
xvfb=""
cleanup() {
    [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

# One start of one program: its mapwatch line appended to $work/<name>-<n>.txt.
run_one() {
    local name=$1 n=$2 line
    case "$name" in
        floor)
            line=$("$build/bin/mapwatch" --count "$n" -- "$build/bin/pellux-floor" "$n" || true) ;;
        pellux)
            cp "$work/pellux-$n.store" "$XDG_DATA_HOME/Brackwel Systems/Pellux/Pellux.NoteData"
            rm -f "$XDG_DATA_HOME/Brackwel Systems/Pellux/Pellux.Backup.NoteData"
            line=$(cd "$work/profile/work" && LC_ALL=en_US.UTF-8 "$build/bin/mapwatch" --count "$n" -- "$build/bin/pellux" || true) ;;
        xpad)
            rm -rf "$work/xpad"; cp -r "$work/xpad-$n" "$work/xpad"
            line=$(HOME="$work/xpad-home" XDG_CONFIG_HOME="$work/xpad" "$build/bin/mapwatch" --count "$n" --timeout 300 -- xpad 2>"$work/xpad.log" || true)
            [ -n "$line" ] || tail -3 "$work/xpad.log" >&2 ;;
    esac
    # A start that failed (timed out, ended early) is reported and left out of the medians.
    if [ -z "$line" ]; then echo "  $name with $n notes: no result" >&2; return 0; fi
    echo "$line" >> "$work/$name-$n.txt"
}

pellux_profile "$work/profile"
export QT_QPA_PLATFORM=xcb
programs="floor pellux"
[ "$xpad" -eq 0 ] || programs="$programs xpad"
mkdir -p "$work/xpad-home"

echo "machine: $(nproc) cores, $(awk '/model name/ { sub(/.*: /, ""); print; exit }' /proc/cpuinfo); load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
for n in $counts; do
    pellux_store "$work/pellux-$n.store" "$n" 0 0
    [ "$xpad" -eq 0 ] || xpad_store "$work/xpad-$n" "$n"
    start_xvfb "$work/display" 1600x1000x24
    xvfb=$XVFB_PID
    export DISPLAY="$XVFB_DISPLAY"
    for r in $(seq 1 "$rounds"); do
        # Alternate the order, so that neither program always runs right after the other.
        if [ $(( r % 2 )) -eq 1 ]; then order="$programs"; else order=$(echo "$programs" | tr ' ' '\n' | tac | tr '\n' ' '); fi
        for p in $order; do run_one "$p" "$n"; done
    done
    kill "$xvfb"; wait "$xvfb" 2>/dev/null || true; xvfb=""

    echo
    echo "$n notes, $rounds rounds (medians; mapped = process start to the last window mapped):"
    printf '  %-8s %12s %12s %12s\n' program "mapped ms" "cpu ms" "RSS MB"
    for p in $programs; do
        f="$work/$p-$n.txt"
        [ -s "$f" ] || { printf '  %-8s no result\n' "$p"; eval "m_$p=0; k_$p=0; c_$p=0"; continue; }
        m=$(field mapped_ms < "$f" | median); c=$(field ' cpu_ms' < "$f" | median)
        k=$(field settled_rss_kb < "$f" | median)
        printf '  %-8s %12.0f %12.0f %12.1f\n' "$p" "$m" "$c" "$(awk -v k="$k" 'BEGIN { print k / 1024 }')"
        eval "m_$p=$m; k_$p=$k; c_$p=$c"
    done
    # shellcheck disable=SC2154
    awk -v pm="$m_pellux" -v fm="$m_floor" -v pk="$k_pellux" -v fk="$k_floor" -v pc="$c_pellux" -v fc="$c_floor" \
        'BEGIN { printf "  pellux / floor: time %.2fx, RSS %.2fx (CPU to mapped %.2fx)\n", pm / fm, pk / fk, pc / fc }'
    echo "  every run (mapped_ms): floor $(field mapped_ms < "$work/floor-$n.txt" | tr '\n' ' ')| pellux $(field mapped_ms < "$work/pellux-$n.txt" | tr '\n' ' ')"
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
