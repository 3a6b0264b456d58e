#!/usr/bin/env bash
# Installs every Debian package Kestrova needs to build, run and test, then configures and
# builds it.   Usage: scripts/setup.sh [--sanitize]   (--sanitize: the ASan + UBSan build)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
[[ "${1:-}" == "--sanitize" ]] && preset=asan

packages=(
    # build
    build-essential cmake ninja-build pkgconf git clang libclang-rt-dev
    qt6-base-dev libmpv-dev libva-dev libcurl4-openssl-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # run (qt6-wayland: native Wayland sessions without XWayland; python3 runs the yt-dlp
    # Kestrova fetches, gpgv checks its signature)
    libgl1-mesa-dri fonts-ipafont-gothic libqt6svg6 qt6-wayland python3 gpgv
    # test, benchmarks and packaging (weston: a Wayland session nested in Xvfb)
    libcpp-httplib-dev xvfb xauth xdotool x11-utils openbox ffmpeg imagemagick mpv weston dbus-daemon
    # a release key made by the tests, to sign stand-in yt-dlp releases with
    gpg gpg-agent
    desktop-file-utils appstream dpkg-dev file
)
# Debian 13 moved the OpenGL widgets into qt6-base-dev and the SVG plug-ins (which draw the
# program's icon) out of libqt6svg6 into qt6-svg-plugins.
source /etc/os-release
if [[ ${VERSION_ID:-} == 12 ]]; then
    packages+=(libqt6opengl6-dev)
else
    packages+=(qt6-svg-plugins)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    # Without --no-install-recommends libmpv pulls in yt-dlp and a desktop's worth of packages.
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
