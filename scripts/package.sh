#!/usr/bin/env bash
# Desktop integration and the Debian package, checked the way a user meets them: the desktop
# files validate, an install puts everything in its standard place, the package installs,
# the installed program opens its window and ends cleanly on SIGTERM with its data files in
# the per-user folder, and the package is removed again.
#   Usage: scripts/package.sh   (after scripts/setup.sh has built build/)
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

# Under the X server started below: start the program given, wait (bounded) for its main
# window, send SIGTERM, and check that it ends with status 0.
if [[ "${1:-}" == --smoke ]]; then
    program="$2"

    "$program" &
    pid=$!
    for _ in $(seq 1 200); do
        xdotool search --onlyvisible --name '^Kestrova$' >/dev/null 2>&1 && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if ! xdotool search --onlyvisible --name '^Kestrova$' >/dev/null 2>&1; then
        kill -KILL "$pid" 2>/dev/null || true
        echo "package: FAILED: no Kestrova window within 10 s" >&2
        exit 1
    fi
    echo "   window is up"
    kill -TERM "$pid"
    status=0
    for _ in $(seq 1 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        echo "package: FAILED: still running 10 s after SIGTERM" >&2
        exit 1
    fi
    wait "$pid" || status=$?
    [[ $status -eq 0 ]] || { echo "package: FAILED: exit status $status after SIGTERM" >&2; exit 1; }
    echo "   ended with status 0 on SIGTERM"
    exit 0
fi

app_id=org.example.corvanel.Kestrova
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
work=$(mktemp -d)
installed=0

cleanup() {
    if ((installed)); then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y kestrova >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "package: FAILED: $*" >&2
    exit 1
}

echo "== desktop entry and AppStream metainfo"
desktop-file-validate "res/desktop/$app_id.desktop"
appstreamcli validate --no-net "res/desktop/$app_id.metainfo.xml"

echo "== install into a staging folder"
cmake --build --preset default --target kestrova
DESTDIR="$work/stage" cmake --install build --prefix /usr >/dev/null
for file in bin/kestrova "share/applications/$app_id.desktop" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" "share/metainfo/$app_id.metainfo.xml" \
    share/doc/kestrova/copyright; do
    [[ -s "$work/stage/usr/$file" ]] || fail "missing /usr/$file"
    echo "   /usr/$file"
done
[[ -x "$work/stage/usr/bin/kestrova" ]] || fail "/usr/bin/kestrova is not executable"
grep -qx "Icon=$app_id" "$work/stage/usr/share/applications/$app_id.desktop" ||
    fail "the desktop entry names another icon"

echo "== Debian package"
rm -f build/kestrova_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=(build/kestrova_*.deb)
[[ -f "${deb[0]}" ]] || fail "cpack made no package"
dpkg-deb --info "${deb[0]}" | sed -n 's/^ \(Package\|Version\|Depends\|Recommends\):/   \1:/p'
# Recommends would bring yt-dlp and a desktop's worth of packages onto the test machine.
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
    "./${deb[0]}" >/dev/null
installed=1
[[ -x /usr/bin/kestrova ]] || fail "the package did not install /usr/bin/kestrova"

echo "== the installed program starts and ends"
export XDG_CONFIG_HOME="$work/config"
# No desktop session here: an unreachable session bus, so that nothing autolaunches a D-Bus
# daemon that would outlive the check.
export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/kestrova-test-bus"
mkdir -p "$XDG_CONFIG_HOME"
scripts/with-xvfb.sh "$self" --smoke /usr/bin/kestrova
# The control panel saves Kestrova.ini and the history panel History.ini when the window
# closes; a build without the panels writes neither, and only the second check applies.
panels=0
[[ -f request/CControlDlg.cpp && -f history/CHistoryDlg.cpp ]] && panels=1
for file in Kestrova.ini History.ini; do
    [[ ! -e "/usr/bin/$file" ]] || fail "$file was written into /usr/bin"
    if ((panels)); then
        [[ -f "$XDG_CONFIG_HOME/kestrova/$file" ]] || fail "$file is not in \$XDG_CONFIG_HOME/kestrova"
    fi
done
if ((panels)); then
    echo "   data files in \$XDG_CONFIG_HOME/kestrova, none in /usr/bin"
else
    echo "   no data files in /usr/bin (this build has no panels that save them)"
fi

echo "== remove the package"
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y kestrova >/dev/null
installed=0
[[ ! -e /usr/bin/kestrova ]] || fail "/usr/bin/kestrova is still there"
echo "package: OK"
