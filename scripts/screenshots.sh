#!/usr/bin/env bash
# Screenshots for the README, made under Xvfb from the offline demo (loopback feed and clip,
# a few history rows), under openbox: docs/main-window.png, docs/player-window.png,
# docs/about-box.png and the whole screen, docs/desktop.png; then, alone on the screen, the
# player playing one of the service's videos with its quality menu open, docs/player-menus.png.
#   Usage: scripts/screenshots.sh
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
root=$PWD

if [[ "${1:-}" != --inside-x ]]; then
    cmake --build --preset default --target kestrova kestrova-demo player-menus-shot >/dev/null
    exec "$root/scripts/with-xvfb.sh" "$self" --inside-x
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Prints the first visible window matching the xdotool search arguments that is not among
# the ids in $1 (space-separated); gives up after 10 s.
wait_new_window() {
    local known=" $1 " id
    shift
    for _ in $(seq 1 200); do
        for id in $(xdotool search --onlyvisible "$@" 2>/dev/null); do
            [[ $known == *" $id "* ]] || { echo "$id"; return 0; }
        done
        sleep 0.05
    done
    return 1
}

shoot() {
    import -window "$1" "$root/docs/$2"
    echo "docs/$2"
}

"$root/build/tools/kestrova-demo" --serve --history --info "$work/info" >/dev/null &
pids+=($!)
for _ in $(seq 1 200); do [[ -s "$work/info" ]] && break; sleep 0.05; done
# shellcheck disable=SC1091
source "$work/info"

# A real window manager frames and places the windows, as on a desktop.
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1
"$PROGRAM" 2>/dev/null &
program=$!
pids+=($program)
main=$(wait_new_window "" --name '^Kestrova$') || { echo "no main window" >&2; exit 1; }
player=$(wait_new_window "$main" --name '^Player$') || { echo "no player window" >&2; exit 1; }
xdotool windowfocus "$main" 2>/dev/null || true
sleep 1
shoot "$main" main-window.png

# The About box, from the main window's menu (Shift+F10; the item's accelerator is A).
xdotool key shift+F10
sleep 0.5
xdotool key a
if about=$(wait_new_window "$main $player" --name '^バージョン情報'); then
    sleep 0.5
    shoot "$about" about-box.png
    xdotool key Escape
    sleep 0.3
else
    echo "about-box.png: the About box did not open" >&2
fi

# The player: the second demo video typed into the address box and played.
xdotool windowfocus "$main" 2>/dev/null || true
xdotool key ctrl+a
xdotool type --delay 0 "$VIDEOID"
xdotool key Tab space
sleep 2
shoot "$player" player-window.png
# The whole screen as a person sees it: the player beside the main window, neither covered.
import -window root "$root/docs/desktop.png"
echo "docs/desktop.png"

kill -TERM "$program"
wait "$program" 2>/dev/null || true
"$root/build/tools/player-menus-shot" "$root/docs/player-menus.png" 2>/dev/null
echo "docs/player-menus.png"
