#!/usr/bin/env bash
# Desktop integration and the Debian package, checked the way a user meets them: the desktop
# files validate, an install puts everything in its standard place, the package installs,
# the installed program opens its window and ends cleanly on SIGTERM with its data files in
# the per-user folder, it plays a video with no build tree in reach, and the package is
# removed again.
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

# Under the X server started below: in a private mount namespace where an empty folder hides
# the checkout (and with it every build tree), start the installed program from the demo's
# program folder, play the video its address box holds, and wait (bounded) for the movie's
# frames on the screen.
if [[ "${1:-}" == --play ]]; then
    program="$2"
    hidden="$3"
    namespace=(unshare --mount --propagation private)
    [[ $(id -u) -ne 0 ]] && namespace+=(--map-root-user)
    log=$(mktemp)
    "${namespace[@]}" sh -c 'mount -t tmpfs hidden "$1" && shift && exec "$@"' sh "$hidden" \
        "$program" -D274 >"$log" 2>&1 &
    pid=$!
    trap 'kill -KILL "$pid" 2>/dev/null || true; rm -f "$log"' EXIT
    failed() {
        echo "package: FAILED: $*; the program's debug console said:" >&2
        tail -n 30 "$log" >&2
        exit 1
    }
    window() { xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -n 1; }
    for _ in $(seq 1 200); do
        [[ -n "$(window Kestrova)" && -n "$(window Player)" ]] && break
        sleep 0.05
    done
    main=$(window Kestrova)
    player=$(window Player)
    [[ -n "$main" && -n "$player" ]] || failed "the windows did not appear"
    xdotool windowfocus --sync "$main" key --delay 50 Tab space
    # The share of the player's area in the clip's saturated colours; a white player has none.
    colourful() {
        eval "$(xdotool getwindowgeometry --shell "$player")"
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage png:- 2>/dev/null |
            convert png:- -fx '(max(r,max(g,b))-min(r,min(g,b)))>0.4' -format '%[fx:100*mean]' info:
    }
    share=0
    for _ in $(seq 1 40); do
        share=$(colourful || true)
        share=${share%.*}
        [[ $share =~ ^[0-9]+$ ]] || share=0
        ((share >= 20)) && break
        sleep 0.25
    done
    ((share >= 20)) || failed "no movie on the screen ($share% colourful)"
    echo "   the movie plays: $share% of the player in the clip's colours"
    kill -TERM "$pid"
    wait "$pid" || failed "the program did not end cleanly"
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
for file in bin/kestrova lib/kestrova/libkestrova-core.so lib/kestrova/kestrova-engine.so \
    lib/kestrova/kestrova-ytdl-answer share/kestrova/yt-dlp-release-key.asc \
    "share/applications/$app_id.desktop" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" "share/metainfo/$app_id.metainfo.xml" \
    share/doc/kestrova/copyright; do
    [[ -s "$work/stage/usr/$file" ]] || fail "missing /usr/$file"
    echo "   /usr/$file"
done
for program in bin/kestrova lib/kestrova/kestrova-ytdl-answer; do
    [[ -x "$work/stage/usr/$program" ]] || fail "/usr/$program is not executable"
done
grep -qx "Icon=$app_id" "$work/stage/usr/share/applications/$app_id.desktop" ||
    fail "the desktop entry names another icon"

echo "== Debian package"
rm -f build/kestrova_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=(build/kestrova_*.deb)
[[ -f "${deb[0]}" ]] || fail "cpack made no package"
dpkg-deb --info "${deb[0]}" | sed -n 's/^ \(Package\|Version\|Depends\|Recommends\|Suggests\):/   \1:/p'
dpkg-deb --field "${deb[0]}" Depends | grep -q 'python3' || fail "the package does not depend on python3"
! dpkg-deb --field "${deb[0]}" Recommends | grep -q 'yt-dlp' || fail "the package recommends Debian's yt-dlp"
# Recommends would bring a desktop's worth of packages onto the test machine.
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

echo "== the installed program plays a video, with no build tree in reach"
# No path of the machine it was built on is compiled in, so nothing can be planted there.
for file in /usr/bin/kestrova /usr/lib/kestrova/kestrova-engine.so /usr/lib/kestrova/libkestrova-core.so \
    /usr/lib/kestrova/kestrova-ytdl-answer; do
    ! grep -qF "$PWD" "$file" || fail "$file holds the build path $PWD"
done
cmake --build --preset default --target kestrova-demo >/dev/null
build/tools/kestrova-demo --serve --program /usr/bin/kestrova --info "$work/demo.info" \
    >"$work/demo.log" 2>&1 &
demo=$!
for _ in $(seq 1 200); do
    [[ -s "$work/demo.info" ]] && break
    sleep 0.05
done
[[ -s "$work/demo.info" ]] || fail "the demo servers did not start: $(cat "$work/demo.log")"
folder=$(sed -n 's/^FOLDER=//p' "$work/demo.info")
status=0
scripts/with-xvfb.sh "$self" --play "$folder/kestrova" "$PWD" || status=$?
kill -TERM "$demo"
wait "$demo" || true
((status == 0)) || exit "$status"

echo "== remove the package"
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y kestrova >/dev/null
installed=0
[[ ! -e /usr/bin/kestrova ]] || fail "/usr/bin/kestrova is still there"
echo "package: OK"
