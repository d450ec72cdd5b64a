# Shared by the two set-up scripts: install what is missing, then configure and build.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# Debian packages the build, the tests and the run need.
PACKAGES="build-essential cmake ninja-build pkg-config ccache \
qt6-base-dev qt6-base-dev-tools libgl-dev libqt6svg6 \
libbenchmark-dev libexpat1-dev xvfb xauth x11-utils dbus \
qt6-multimedia-dev pulseaudio pulseaudio-utils sox \
libcurl4-openssl-dev libgmime-3.0-dev qtkeychain-qt6-dev libsecret-1-0 \
python3-aiosmtpd openssl gnome-keyring libsodium-dev \
libcups2-dev cups cups-client printer-driver-cups-pdf poppler-utils \
shared-mime-info libglib2.0-bin desktop-file-utils \
openbox trayer xdotool x11vnc imagemagick clang libclang-rt-14-dev"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    missing=""
    for p in $PACKAGES; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $p"
        fi
    done
    if [ -n "$missing" ]; then
        echo "Installing:$missing"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
        # shellcheck disable=SC2086
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
    fi
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
    dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}
