# Sourced by the by-hand scripts in bench/ that drive Kestrova's window under Xvfb: the
# loopback servers with their event log, starting the program in a folder, finding its
# windows, pressing Play Video, and waiting for a request in the log.
# Needs: $root (the repository) and $work (a scratch folder), set by the sourcing script,
# which also uses what this file sets (main, player, pressed_at).
# shellcheck shell=bash disable=SC2154,SC2034

now_us() { echo "${EPOCHREALTIME/./}"; }
sleep_ms() { sleep "$(awk -v ms="$1" 'BEGIN {printf "%.3f", ms / 1000}')"; }

# Starts build/bench/play_event_servers; sets servers_pid, events, FEEDURL and PLAYERURL.
# Further arguments go to the servers (such as --trigger FILE).
start_servers() {
    events="$work/events"
    "$root/build/bench/play_event_servers" --info "$work/info" --titles "$work/titles" \
        --log "$events" "$@" &
    servers_pid=$!
    for _ in $(seq 1 300); do [[ -s "$work/info" ]] && break; sleep 0.05; done
    # shellcheck disable=SC1091
    source "$work/info"
}

stop_servers() {
    [[ -n "${servers_pid:-}" ]] && kill -TERM "$servers_pid" 2>/dev/null && wait "$servers_pid"
    servers_pid=""
}

# A program folder: the program linked in (its data files live beside it) and a Kestrova.ini
# pointing at the servers.
make_folder() {
    mkdir -p "$1"
    ln -s "$root/build/app/kestrova" "$1/kestrova"
    printf '[NETWORK]\nFEEDURL=%s\nPLAYERURL=%s\n' "$FEEDURL" "$PLAYERURL" >"$1/Kestrova.ini"
}

start_program() {
    local folder="$1"
    "$folder/kestrova" -D274 >>"$folder/console.log" 2>&1 &
    program_pid=$!
    # Out of the job table: bash would report every kill -9 as "Killed" on the terminal.
    disown "$program_pid"
}

# Polls for a visible window of the program; prints its id. Gives up after 15 s.
find_window() {
    local name="$1" deadline=$(($(now_us) + 15000000)) id
    while (($(now_us) < deadline)); do
        id=$(xdotool search --all --onlyvisible --pid "$program_pid" --name "$name" 2>/dev/null |
            head -n1) || true
        [[ -n "$id" ]] && echo "$id" && return 0
        sleep 0.05
    done
    return 1
}

# Sets main and player to the program's two windows.
wait_windows() {
    main=$(find_window '^Kestrova$') && player=$(find_window '^Player$')
}

# Types an ID into the address box and presses Play Video; sets pressed_at. Without a window
# manager the focus is the script's to give; after a play it is on Play Video, one step after
# the box.
press_play() {
    local id="$1" first="$2"
    xdotool windowfocus "$main"
    [[ "$first" == 1 ]] || xdotool key shift+Tab
    xdotool key ctrl+a
    xdotool type --delay 0 "$id"
    xdotool key Tab
    pressed_at=$(now_us)
    xdotool key space
}

# Waits (bounded) for a line of the event log at or after `since`; prints its time.
wait_event() {
    local pattern="$1" since="$2" limit_us="$3" deadline time
    deadline=$(($(now_us) + limit_us))
    while (($(now_us) < deadline)); do
        time=$(awk -v p="$pattern" -v s="$since" '$1 >= s && index($0, " " p) {print $1; exit}' \
            "$events")
        [[ -n "$time" ]] && echo "$time" && return 0
        sleep 0.005
    done
    return 1
}
