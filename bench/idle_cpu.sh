#!/usr/bin/env bash
# Idle cost of a running Pellux: CPU time used over a quiet minute with 100 notes
# loaded, as a percentage of one core, from /proc/PID/task/*/schedstat (nanoseconds,
# every thread) and, coarser, utime + stime (10 ms clock ticks).
#
#   bench/idle_cpu.sh [--build DIR] [--seconds N] [--notes N] [--alarms N] [--offscreen]
#                     [--no-tray] [--focus-note] [--no-xpad]
#
# When xpad is installed it runs beside Pellux on the same X server with the same
# number of notes (pads) and is measured over the same minute (not with --offscreen
# or --no-xpad): a peer's idle cost as the yardstick.
# By default the program runs on a private Xvfb display with a tray host (trayer),
# so the tray icon, its 5 s check and the 100 ms window check all run as they do on
# a desktop, with no Pellux window in the foreground (the user works elsewhere).
# --focus-note clicks into a note first (needs xdotool), so a note is the window in
# use, its caret blinks and the window check refreshes its paste command.
# --offscreen runs on Qt's offscreen platform instead (no X server).
# --alarms N arms the alarm of N notes spread through the store (none by default): half
# repeat every day twelve hours from now, half are once-alarms at this minute tomorrow,
# so every sweep meets candidates and none fires while the minute is measured. Compare
# with a run without alarms started beside it, in the same minute on the same machine.
# The profile (settings, store, runtime folder) is a temporary folder; nothing of
# the user's is read or written.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$here/../build"
seconds=60
notes=100
offscreen=0
tray=1
focus=0
alarms=0
xpad=1
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --seconds) seconds="$2"; shift 2 ;;
        --notes) notes="$2"; shift 2 ;;
        --alarms) alarms="$2"; shift 2 ;;
        --offscreen) offscreen=1; shift ;;
        --no-tray) tray=0; shift ;;
        --focus-note) focus=1; shift ;;
        --no-xpad) xpad=0; shift ;;
        -h|--help) sed -n 2,26p "$0"; exit 0 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

build="$(cd "$build" && pwd)"
command -v xpad >/dev/null && command -v xdotool >/dev/null || xpad=0
[ "$offscreen" -eq 0 ] || xpad=0
pellux="$build/bin/pellux"
send="$build/bin/pellux-send"
for exe in "$pellux" "$send"; do
    [ -x "$exe" ] || { echo "not built: $exe (build the pellux and pellux-send targets)" >&2; exit 1; }
done

# shellcheck source=bench/profile.sh
. "$here/profile.sh"
profile="$(mktemp -d "${TMPDIR:-/tmp}/pellux-idle.XXXXXX")"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$profile"
}
trap cleanup EXIT

pellux_profile "$profile"
store="$XDG_DATA_HOME/Brackwel Systems/Pellux/Pellux.NoteData"
pellux_store "$store" "$notes" "$alarms" 1
[ "$xpad" -eq 0 ] || xpad_store "$profile/xpad-config" "$notes"

if [ "$offscreen" -eq 1 ]; then
    export QT_QPA_PLATFORM=offscreen
else
    command -v Xvfb >/dev/null || { echo "Xvfb is not installed (or use --offscreen)" >&2; exit 1; }
    start_xvfb "$profile/display" 1280x1024x24
    pids+=("$XVFB_PID")
    export DISPLAY="$XVFB_DISPLAY"
    export QT_QPA_PLATFORM=xcb
    if [ "$tray" -eq 1 ] && command -v trayer >/dev/null; then
        trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
        pids+=($!)
        sleep 1
    fi
fi

cd "$profile/work"
# The settings above hold a date in the en_US short form.
LC_ALL=en_US.UTF-8 "$pellux" >"$profile/pellux.log" 2>&1 &
pid=$!
pids+=("$pid")

# The control channel opens once the store has loaded.
loaded=0
for _ in $(seq 1 300); do
    if "$send" AreYouThere >/dev/null 2>&1; then loaded=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [ "$loaded" -ne 1 ]; then
    echo "pellux did not finish loading; its output:" >&2
    cat "$profile/pellux.log" >&2
    exit 1
fi
xpid=""
if [ "$xpad" -eq 1 ]; then
    HOME="$profile/xpad-home" XDG_CONFIG_HOME="$profile/xpad-config" xpad >"$profile/xpad.log" 2>&1 &
    xpid=$!
    pids+=("$xpid")
fi
# Let the start-up settle (first paint of every note, the panel's sizing).
sleep 3
if [ -n "$xpid" ]; then
    for _ in $(seq 1 300); do
        [ "$(xdotool search --onlyvisible --pid "$xpid" 2>/dev/null | wc -l)" -ge "$notes" ] && break
        sleep 0.2
    done
    sleep 2
fi
if [ "$focus" -eq 1 ]; then
    [ "$offscreen" -eq 0 ] && command -v xdotool >/dev/null || { echo "--focus-note needs Xvfb and xdotool" >&2; exit 1; }
    # Into the text of the last note, which lies on top (note N is placed at N*37, N*23).
    xdotool mousemove $(( (notes * 37) % 900 + 60 )) $(( (notes * 23) % 600 + 60 )) click 1
    sleep 1
fi

clk=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# Every thread's run time (a thread that ended meanwhile is missed: none should while idle).
run_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
xs0=0; xs1=0
t0=$(cpu_ticks); s0=$(run_ns "$pid"); [ -z "$xpid" ] || xs0=$(run_ns "$xpid"); w0=$(date +%s%N)
sleep "$seconds"
kill -0 "$pid" 2>/dev/null || { echo "pellux ended during the measurement" >&2; cat "$profile/pellux.log" >&2; exit 1; }
t1=$(cpu_ticks); s1=$(run_ns "$pid"); [ -z "$xpid" ] || xs1=$(run_ns "$xpid"); w1=$(date +%s%N)

awk -v t="$((t1 - t0))" -v clk="$clk" -v s="$((s1 - s0))" -v w="$((w1 - w0))" -v n="$notes" -v a="$alarms" \
    -v x="$((xs1 - xs0))" -v xp="${xpid:-0}" '
    BEGIN {
        wall = w / 1e9
        printf "notes loaded:        %d (%d with armed alarms)\n", n, a
        printf "wall time:           %.1f s\n", wall
        printf "utime+stime:         %d ticks (%.0f ms)\n", t, t * 1000 / clk
        printf "idle CPU:            %.3f %% of one core (utime+stime)\n", t / clk / wall * 100
        if (s > 0) printf "idle CPU (schedstat): %.4f %% of one core\n", s / 1e9 / wall * 100
        if (xp > 0) printf "xpad beside it:      %.4f %% of one core (schedstat, %d pads)\n", x / 1e9 / wall * 100, n
    }'

"$send" Exit >/dev/null 2>&1 || true
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
# The store written at the exit: every alarm still armed (none fired, none was lost).
if [ "$alarms" -gt 0 ]; then
    echo "armed alarms after:  $(grep -o '<enabled>True</enabled>' "$store" | wc -l) of $alarms"
fi
