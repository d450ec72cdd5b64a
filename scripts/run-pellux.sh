#!/bin/sh
# Installs what is missing, builds and starts Pellux.
#
# With no display, Pellux starts on a virtual X server (Xvfb) with a window manager
# (openbox) and a tray host (trayer), and the virtual screen is served over VNC on
# this machine only (127.0.0.1): connect a VNC viewer to the address printed to see
# and use it. A screenshot of the screen after start-up is written and its path
# printed. Ctrl+C (or `pellux-send Exit`) ends Pellux and everything started for it.
#
#   --no-vnc   with no display: only the virtual X server, nothing served or shown
#              (Pellux runs, but nobody can see or answer its windows)
#
# Every other argument goes to Pellux.
. "$(dirname "$0")/common.sh"

NO_VNC=0
for arg in "$@"; do
    shift
    if [ "$arg" = "--no-vnc" ]; then
        NO_VNC=1
    else
        set -- "$@" "$arg"
    fi
done

install_missing
configure_and_build "$ROOT/build-release" -DCMAKE_BUILD_TYPE=Release -DPELLUX_TESTS=OFF -DPELLUX_BENCH=OFF

PELLUX="$ROOT/build-release/bin/pellux"
SEND="$ROOT/build-release/bin/pellux-send"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$PELLUX" "$@"
fi
if [ "$NO_VNC" = "1" ]; then
    echo "No display found: starting Pellux under Xvfb (a virtual X server); it is not visible on this machine."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$PELLUX" "$@"
fi

# ---- a virtual desktop served over VNC ------------------------------------------------
RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/pellux-desktop.XXXXXX")
PIDS=""
stop_all() {
    # Only what this script started, newest first, each gone before the next: Pellux
    # saves its notes while its screen is still there.
    for pid in $PIDS; do
        kill "$pid" 2>/dev/null || true
        n=0
        while kill -0 "$pid" 2>/dev/null && [ $n -lt 200 ]; do sleep 0.1; n=$((n + 1)); done
        wait "$pid" 2>/dev/null || true
    done
    PIDS=""
}
trap 'stop_all; rm -rf "$RUN_DIR"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started() { PIDS="$1 $PIDS"; }

# The desktop's programs run in sessions of their own: Ctrl+C in this terminal reaches
# Pellux (which saves and ends) and this script, which then stops them in order.
setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$RUN_DIR/display" 2>"$RUN_DIR/xvfb.log" &
started $!
i=0
while [ ! -s "$RUN_DIR/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$RUN_DIR/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$RUN_DIR/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$(head -n 1 "$RUN_DIR/display")"
export DISPLAY
unset WAYLAND_DISPLAY

setsid openbox --sm-disable >"$RUN_DIR/openbox.log" 2>&1 &
started $!
setsid trayer --edge top --align right --widthtype request --height 24 --SetDockType true --SetPartialStrut true \
    --transparent false >"$RUN_DIR/trayer.log" 2>&1 &
started $!

# The viewer's way in: loopback only, the first free port from 5900.
setsid x11vnc -display "$DISPLAY" -localhost -autoport 5900 -nopw -forever -shared -quiet \
    >"$RUN_DIR/x11vnc.out" 2>"$RUN_DIR/x11vnc.log" &
started $!
i=0
while ! grep -q '^PORT=' "$RUN_DIR/x11vnc.out" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
PORT=$(sed -n 's/^PORT=//p' "$RUN_DIR/x11vnc.out" | head -n 1)
if [ -z "$PORT" ]; then
    echo "x11vnc did not start:" >&2
    cat "$RUN_DIR/x11vnc.log" >&2
    exit 1
fi

"$PELLUX" "$@" &
PELLUX_PID=$!
started $PELLUX_PID

# Started: the store is loaded once Pellux answers on its channel. A first start
# waits behind its first-run question instead, which only a viewer can answer.
i=0
while ! "$SEND" AreYouThere >/dev/null 2>&1 && [ $i -lt 30 ] && kill -0 "$PELLUX_PID" 2>/dev/null; do
    sleep 0.5
    i=$((i + 1))
done
sleep 1
SHOT="${TMPDIR:-/tmp}/pellux-screen-$(date +%Y%m%d-%H%M%S).png"
if ! import -display "$DISPLAY" -window root "$SHOT" 2>/dev/null; then
    SHOT=""
fi

echo "No display found: Pellux runs on a virtual screen ($DISPLAY, 1280 x 1024)."
echo "  See and use it:  connect a VNC viewer to 127.0.0.1:$PORT  (e.g. vncviewer 127.0.0.1::$PORT)"
echo "                   (this machine only; from another one: ssh -L $PORT:127.0.0.1:$PORT this-machine)"
if [ -n "$SHOT" ]; then
    echo "  Screenshot:      $SHOT"
fi
if ! "$SEND" AreYouThere >/dev/null 2>&1; then
    if kill -0 "$PELLUX_PID" 2>/dev/null; then
        echo "  Pellux is waiting for an answer on that screen (the first-run question, say):"
        echo "  answer it through the viewer."
    fi
fi
echo "  Stop:            Ctrl+C here, or $SEND Exit"

STATUS=0
wait "$PELLUX_PID" || STATUS=$?
exit "$STATUS"
