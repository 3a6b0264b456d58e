#!/usr/bin/env bash
# Many plays in a row through the window: does the program keep memory or descriptors per
# play? By hand, not in CI; under Xvfb (scripts/with-xvfb.sh).
#   Usage: bench/soak.sh [PLAYS]     (default 500)
#
# Kestrova runs in a program folder against build/bench/play_event_servers. Plays alternate:
# Play Video with a new ID (typed, Tab, space: a title request, a history record, both files
# saved; after 50 the history drops its last record every time), then Play Back of the marked
# record (chosen in the list by keyboard). Each play waits for its movie to be asked for, then
# lets it play 0.3 s. Every 50 plays: the resident memory (VmRSS) and the open descriptors.
# Target: RSS grows by at most 5 MiB after the first 50 plays, descriptors not at all.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
root=$PWD

if [[ "${1:-}" != --inside-x ]]; then
    cmake --build --preset default --target kestrova play_event_servers >/dev/null
    exec "$root/scripts/with-xvfb.sh" "$self" --inside-x "${1:-500}"
fi
plays="$2"

work=$(mktemp -d /tmp/kestrova-soak-XXXXXX)
servers_pid=""
program_pid=""
cleanup() {
    [[ -n "$program_pid" ]] && kill -KILL "$program_pid" 2>/dev/null
    stop_servers
    rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=bench/play-session.sh
source "$root/bench/play-session.sh"
# shellcheck disable=SC2119 # nothing is killed here
start_servers
make_folder "$work/folder"
start_program "$work/folder"
wait_windows || { echo "soak: the windows did not appear" >&2 && exit 1; }

rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$program_pid/status"; }
descriptors() { find "/proc/$program_pid/fd" -mindepth 1 | wc -l; }

# From Play Video: four steps to the list, where Home and space mark the newest record, then back two
# to Play Back.
play_back() {
    xdotool windowfocus "$main"
    xdotool key Tab Tab Tab Tab Home space shift+Tab shift+Tab
    pressed_at=$(now_us)
    xdotool key space
}

printf '%6s %10s %12s\n' plays "RSS MiB" descriptors
for ((play = 1; play <= plays; ++play)); do
    if ((play % 2)); then
        # After a Play Back the focus is on its button, three steps after the address box.
        ((play == 1)) || xdotool key shift+Tab shift+Tab
        press_play "$(printf 'soak%07d' "$play")" "$((play == 1))"
    else
        play_back
    fi
    wait_event movie-asked "$pressed_at" 10000000 >/dev/null ||
        { echo "soak: play $play asked for no movie" >&2 && exit 1; }
    sleep 0.3
    if ((play % ${SOAK_EVERY:-50} == 0)); then
        printf '%6d %10.1f %12d\n' "$play" "$(awk -v k="$(rss_kib)" 'BEGIN {print k / 1024}')" \
            "$(descriptors)"
    fi
done
