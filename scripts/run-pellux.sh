#!/bin/sh
# Installs what is missing, builds and starts Pellux. With no display it starts
# Pellux under a virtual X server (Xvfb) and says so.
. "$(dirname "$0")/common.sh"

install_missing
configure_and_build "$ROOT/build-release" -DCMAKE_BUILD_TYPE=Release -DPELLUX_TESTS=OFF -DPELLUX_BENCH=OFF

PELLUX="$ROOT/build-release/bin/pellux"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Pellux under Xvfb (a virtual X server); it is not visible on this machine."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$PELLUX" "$@"
fi
exec "$PELLUX" "$@"
