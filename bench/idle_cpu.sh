#!/usr/bin/env bash
# Idle cost of a running Pellux: CPU time (utime + stime from /proc) used over a
# quiet minute with 100 notes loaded, as a percentage of one core.
#
#   bench/idle_cpu.sh [--build DIR] [--seconds N] [--notes N] [--alarms N] [--offscreen]
#                     [--no-tray] [--focus-note]
#
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
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --seconds) seconds="$2"; shift 2 ;;
        --notes) notes="$2"; shift 2 ;;
        --alarms) alarms="$2"; shift 2 ;;
        --offscreen) offscreen=1; shift ;;
        --no-tray) tray=0; shift ;;
        --focus-note) focus=1; shift ;;
        -h|--help) sed -n 2,21p "$0"; exit 0 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

build="$(cd "$build" && pwd)"
pellux="$build/bin/pellux"
send="$build/bin/pellux-send"
for exe in "$pellux" "$send"; do
    [ -x "$exe" ] || { echo "not built: $exe (build the pellux and pellux-send targets)" >&2; exit 1; }
done

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

export XDG_CONFIG_HOME="$profile/config"
export XDG_DATA_HOME="$profile/data"
export XDG_RUNTIME_DIR="$profile/runtime"
export TMPDIR="$profile/tmp"
# No desktop session: the program must not talk to the user's session bus.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$profile/no-bus"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/Brackwel Systems/Pellux" "$XDG_RUNTIME_DIR" "$TMPDIR" "$profile/work"
chmod 700 "$XDG_RUNTIME_DIR"

# Settings of a program that has run before: no first-run or update question.
cat > "$XDG_CONFIG_HOME/PelluxNotes.conf" <<EOF
[Settings]
Version=3.2  (Build 155)
NextUpdateCheck=12/31/2099
High=3780
Wide=6405
EOF

# A store of N notes: text notes and every fifth one a check list (the last one is
# always a text note), spread over the screen.
store="$XDG_DATA_HOME/Brackwel Systems/Pellux/Pellux.NoteData"
[ "$alarms" -le "$notes" ] || { echo "--alarms $alarms: more alarms than notes" >&2; exit 2; }
# The store's forms (en_US): "3:15:00 PM", "12/31/2026".
later=$(LC_ALL=C date -d '+12 hours' '+%-I:%M:00 %p')
this_minute=$(LC_ALL=C date '+%-I:%M:00 %p')
tomorrow=$(LC_ALL=C date -d tomorrow '+%-m/%-d/%Y')
off_alarm='<pelluxalarm><enabled>False</enabled><sound/><type>0</type><time>12:00:00 AM</time><date>12:00:00 AM</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>'
repeat_alarm="<pelluxalarm><enabled>True</enabled><sound>/usr/share/sounds/alarm.wav</sound><type>1</type><time>$later</time><date>12:00:00 AM</date><dow>True,True,True,True,True,True,True</dow></pelluxalarm>"
armed=0
once_alarm="<pelluxalarm><enabled>True</enabled><sound/><type>0</type><time>$this_minute</time><date>$tomorrow</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>"
{
    printf '<!--Pellux NoteData 4-->\r\n<notedata version="4">'
    for i in $(seq 1 "$notes"); do
        left=$(( (i * 37) % 900 ))
        top=$(( (i * 23) % 600 ))
        # Every (N / alarms)-th note, from the first, until the alarms are placed.
        alarm="$off_alarm"
        if [ "$armed" -lt "$alarms" ] && [ $(( (i - 1) % (notes / alarms) )) -eq 0 ]; then
            if [ $(( armed % 2 )) -eq 0 ]; then alarm="$repeat_alarm"; else alarm="$once_alarm"; fi
            armed=$(( armed + 1 ))
        fi
        style='<font><name>DejaVu Sans</name><size>9</size><bold>False</bold><italic>False</italic><underline>False</underline><strikethru>False</strikethru></font><color><fore>#000000</fore><back>#FFFF00</back></color>'
        nid=$(printf 'BENCH:01012026:1000%02d:%02d' $(( i / 100 )) $(( i % 100 )))
        if [ $(( i % 5 )) -eq 1 ] && [ "$i" -ne "$notes" ]; then
            printf '<note type="CheckList"><title>List %d</title><nid>%s</nid><top>%d</top><left>%d</left><width>220</width><height>180</height><visible>True</visible><rollup>False</rollup><ontop>False</ontop>%s<data><item checked="True">first %d</item><item checked="False">second</item><item checked="False">third</item></data>%s</note>' \
                "$i" "$nid" "$top" "$left" "$alarm" "$i" "$style"
        else
            printf '<note type="TextNote"><title>Note %d</title><nid>%s</nid><top>%d</top><left>%d</left><width>220</width><height>160</height><visible>True</visible><rollup>False</rollup><ontop>False</ontop>%s<data>Note number %d&#xA;a second line&#xA;and a third.</data><dynamictitle>False</dynamictitle>%s</note>' \
                "$i" "$nid" "$top" "$left" "$alarm" "$i" "$style"
        fi
    done
    printf '</notedata>\r\n'
} > "$store"

if [ "$offscreen" -eq 1 ]; then
    export QT_QPA_PLATFORM=offscreen
else
    command -v Xvfb >/dev/null || { echo "Xvfb is not installed (or use --offscreen)" >&2; exit 1; }
    display=""
    for n in $(seq 91 120); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
    done
    [ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY="$display"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
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
# Let the start-up settle (first paint of every note, the panel's sizing).
sleep 3
if [ "$focus" -eq 1 ]; then
    [ "$offscreen" -eq 0 ] && command -v xdotool >/dev/null || { echo "--focus-note needs Xvfb and xdotool" >&2; exit 1; }
    # Into the text of the last note, which lies on top (note N is placed at N*37, N*23).
    xdotool mousemove $(( (notes * 37) % 900 + 60 )) $(( (notes * 23) % 600 + 60 )) click 1
    sleep 1
fi

clk=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
run_ns() { awk '{ print $1 }' "/proc/$pid/schedstat" 2>/dev/null || echo 0; }
t0=$(cpu_ticks); s0=$(run_ns); w0=$(date +%s%N)
sleep "$seconds"
kill -0 "$pid" 2>/dev/null || { echo "pellux ended during the measurement" >&2; cat "$profile/pellux.log" >&2; exit 1; }
t1=$(cpu_ticks); s1=$(run_ns); w1=$(date +%s%N)

awk -v t="$((t1 - t0))" -v clk="$clk" -v s="$((s1 - s0))" -v w="$((w1 - w0))" -v n="$notes" -v a="$alarms" '
    BEGIN {
        wall = w / 1e9
        printf "notes loaded:        %d (%d with armed alarms)\n", n, a
        printf "wall time:           %.1f s\n", wall
        printf "utime+stime:         %d ticks (%.0f ms)\n", t, t * 1000 / clk
        printf "idle CPU:            %.3f %% of one core (utime+stime)\n", t / clk / wall * 100
        if (s > 0) printf "idle CPU (schedstat): %.3f %% of one core\n", s / 1e9 / wall * 100
    }'

"$send" Exit >/dev/null 2>&1 || true
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
# The store written at the exit: every alarm still armed (none fired, none was lost).
if [ "$alarms" -gt 0 ]; then
    echo "armed alarms after:  $(grep -o '<enabled>True</enabled>' "$store" | wc -l) of $alarms"
fi
