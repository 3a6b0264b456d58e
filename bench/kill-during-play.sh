#!/usr/bin/env bash
# Kills Kestrova with SIGKILL at random moments while videos are played through its window, and
# checks that nothing played is lost. By hand, not in CI; under Xvfb (scripts/with-xvfb.sh).
#   Usage: [KILL_SEED=N] [KILL_KEEP=1] [KILL_SELF_CHECK=1] bench/kill-during-play.sh [RUNS]
#   (RUNS: default 100; KILL_SELF_CHECK: damage the folders after the kill, see damage())
#
# Each run: a fresh program folder on the work disk (under /tmp), the loopback feed and media
# servers of build/bench/play_event_servers (one set for all runs), Kestrova started there with
# -D274, 1-6 random demo IDs played by keyboard (ID, Tab, space; shift+Tab back to the box),
# the player window now and then moved and resized, and one kill -9, in one of five ways:
#   feed      a set 0-4 ms after the last play's title request reaches the feed server
#   movie     a set 0-8 ms after the last play's movie request reaches the media server
#   settled   0-1.5 s after the last Play Video press, from the script
#   typing    while the next ID is being typed, from the script
#   geometry  0-1.2 s after the player window was moved and resized, from the script
# "feed" and "movie" are fired by the server itself, timed from the request's arrival.
#
# What counts as played: a play counts once the media server was asked for its movie (the
# program hands the movie to the player and then saves; the player's request, on a thread of
# its own, may reach the server before those saves have ended).
# After the kill, for the plays that counted:
#   - History.ini holds exactly the records those plays inserted, newest first, with their
#     titles as the program keeps them (through code page 932: "é" and an emoji become
#     spaces), and COUNT says how many; Kestrova.ini's VIDEOID is the last one's ID, and its
#     [NETWORK] addresses are untouched. A play whose title had come but whose movie request
#     had not may already be saved too (the save may come first).
#   - The one exception, counted apart as "benefit": the kill landed after the last play's
#     movie request but before its saves had finished (at most 250 ms after the request, and
#     the files then hold exactly the state before that play).
#   - Both files decode (UTF-16LE after a byte-order mark, else code page 932), every line is a
#     section, a KEY=VALUE pair or empty, and the file ends with a line feed (no partial file).
#   - Kestrova.ini's [PLAYER] X, Y, WIDTH, HEIGHT are the player's last geometry when the kill
#     came at least 800 ms after the window was last moved (saved 500 ms after it comes to rest).
#   - A temporary .History.ini.PID.N.tmp or .Kestrova.ini.PID.N.tmp may be left only by the
#     killed process (a save it was in). Such a folder, and every tenth, is started again: one
#     more video is played and the program closed with SIGTERM; the files must then hold the
#     old records plus the new one, and no temporary file may remain.
#
# Measured on the 2-core work VM shared with other builds, Xvfb 1280x1024, folders on ext4,
# KILL_SEED=1, RUNS=100 (3 min 41 s): 100 of 100 runs with nothing lost, 92 exactly as played
# and 8 "benefit" (killed 0.6-9.5 ms after the last movie request, before its saves ended:
# History.ini's save not finished in 4, only Kestrova.ini's in 4; 6 left the save's temporary
# file). Kills: feed 27, movie 23, geometry 21, settled 15, typing 14; the player's saved
# geometry was checked 29 times, always right. 14 temporary files were left by kills, each of
# the killed process; 21 folders were started again (each with one, and every tenth) and no
# temporary file was left after their next saves. History.ini's text was written 1.0-19.1 ms
# before the movie request (median 5.2 ms, 87 runs), yet its fsync and rename can end after it.
# KILL_SELF_CHECK=1 KILL_SEED=2, RUNS=24: 23 of 23 damaged folders failed (one run had nothing
# to damage and passed).
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
root=$PWD

if [[ "${1:-}" != --inside-x ]]; then
    cmake --build --preset default --target kestrova play_event_servers >/dev/null
    exec "$root/scripts/with-xvfb.sh" "$self" --inside-x "${1:-100}"
fi
runs="$2"
seed="${KILL_SEED:-$((SRANDOM % 100000))}"
RANDOM=$seed

readonly benefit_window_us=250000
readonly geometry_settled_us=800000

work=$(mktemp -d /tmp/kestrova-kill-XXXXXX)
servers_pid=""
program_pid=""
failures=0
cleanup() {
    [[ -n "$program_pid" ]] && kill -KILL "$program_pid" 2>/dev/null
    stop_servers
    if ((failures == 0)) && [[ -z "${KILL_KEEP:-}" ]]; then
        rm -rf "$work"
    else
        echo "kept: $work" >&2
    fi
}
trap cleanup EXIT

# Sets $picked to a number from $1 to $2. Not through $(...): a subshell would draw from a
# generator of its own, and KILL_SEED would not repeat a series.
pick() { picked=$(($1 + RANDOM % ($2 - $1 + 1))); }

# shellcheck source=bench/play-session.sh
source "$root/bench/play-session.sh"
trigger="$work/trigger"
start_servers --trigger "$trigger"
# A title as the program keeps it: each UTF-16 unit through code page 932 and back, a unit
# the code page cannot hold (a surrogate half included) becoming one space.
title_as_kept() {
    local title="$1" kept="" c i
    for ((i = 0; i < ${#title}; i++)); do
        c=${title:i:1}
        if (($(printf '%s' "$c" | wc -c) == 4)); then
            kept+="  "
        else
            kept+=$(printf '%s' "$c" | iconv -f UTF-8 -t CP932 2>/dev/null | iconv -f CP932 -t UTF-8) ||
                kept+=" "
        fi
    done
    printf '%s' "$kept"
}
export LC_ALL=C.UTF-8
declare -A title_of
ids=()
while IFS=$'\t' read -r id title; do
    ids+=("$id")
    title_of[$id]=$(title_as_kept "$title")
done <"$work/titles"

move_player() {
    local width height
    pick 320 700 && width=$picked
    pick 240 520 && height=$picked
    xdotool windowsize "$player" "$width" "$height"
    pick 0 800 && width=$picked
    pick 0 600 && height=$picked
    xdotool windowmove "$player" "$width" "$height"
    moved_at=$(now_us)
    sleep 0.15
    eval "$(xdotool getwindowgeometry --shell "$player")"
    # shellcheck disable=SC2153
    player_geometry="$X $Y $WIDTH $HEIGHT"
}

# Waits (bounded) for the program to end; kills it when it has not.
wait_end() {
    for _ in $(seq 1 500); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.01; done
    kill -KILL "$program_pid" 2>/dev/null && echo "  (the script had to kill it)" >>"$run_log"
    program_pid=""
}

# --- reading the data files, independently of the program's own reader

# The file as UTF-8 text, or a failure when it does not decode.
decode() {
    local bom
    bom=$(head -c 3 "$1" | od -An -tx1 | tr -d ' \n')
    case "$bom" in
    fffe*) tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 ;;
    feff*) tail -c +3 "$1" | iconv -f UTF-16BE -t UTF-8 ;;
    efbbbf) tail -c +4 "$1" ;;
    *) iconv -f CP932 -t UTF-8 "$1" ;;
    esac
}

# Checks the shape of a profile file; prints "SECTION<TAB>KEY<TAB>VALUE" rows (names in
# capitals, first occurrence wins) or fails with the reason on standard error.
profile_rows() {
    local file="$1" text
    [[ "$(tail -c 1 "$file" | od -An -tx1 | tr -d ' ')" == 0a ||
        "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" == 0a00 ]] ||
        { echo "  $(basename "$file") does not end with a line feed" >&2 && return 1; }
    text=$(decode "$file") || { echo "  $(basename "$file") does not decode" >&2 && return 1; }
    awk -v name="$(basename "$file")" '
        { sub(/\r$/, "") }
        /^\[[^]]*\]$/ { section = toupper(substr($0, 2, length($0) - 2)); next }
        /^$/ { next }
        /^[^=]+=/ {
            key = toupper(substr($0, 1, index($0, "=") - 1))
            value = substr($0, index($0, "=") + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", value)
            if (value ~ /^".*"$/ && length(value) >= 2) value = substr(value, 2, length(value) - 2)
            if (!((section, key) in seen)) { seen[section, key]; print section "\t" key "\t" value }
            next
        }
        { print "  " name ": line " NR " is neither a section nor a value: " $0 > "/dev/stderr"; bad = 1 }
        END { exit bad }' <<<"$text"
}

value_of() { awk -F '\t' -v s="$2" -v k="$3" '$1 == s && $2 == k {print $3; exit}' "$1"; }

# History.ini as "COUNT=n" and one "ID<TAB>TITLE" line a record.
history_state() {
    local folder="$1" rows="$work/rows" count
    [[ -e "$folder/History.ini" ]] || { echo "COUNT=absent" && return 0; }
    profile_rows "$folder/History.ini" >"$rows" || return 1
    count=$(value_of "$rows" SYSTEM COUNT)
    echo "COUNT=$count"
    for ((k = 0; k < ${count:-0}; k++)); do
        printf '%s\t%s\n' "$(value_of "$rows" "ITEM$k" VIDEOID)" "$(value_of "$rows" "ITEM$k" TITLE)"
    done
}

# What History.ini holds after the given plays, newest record first, in history_state's form.
expected_history() {
    local list=() id seen
    for id in "$@"; do
        seen=0
        for k in "${list[@]}"; do [[ "$k" == "$id" ]] && seen=1; done
        ((seen)) || list=("$id" "${list[@]}")
    done
    if ((${#list[@]} == 0)); then
        echo "COUNT=absent"
        return
    fi
    echo "COUNT=${#list[@]}"
    for id in "${list[@]}"; do printf '%s\t%s\n' "$id" "${title_of[$id]}"; done
}

settings_rows() {
    local folder="$1"
    [[ -e "$folder/Kestrova.ini" ]] || { echo "  Kestrova.ini is gone" >&2 && return 1; }
    profile_rows "$folder/Kestrova.ini" >"$work/settings"
}

temporaries() {
    find "$1" -maxdepth 1 \( -name '.History.ini.*.tmp' -o -name '.Kestrova.ini.*.tmp' \) \
        -printf '%f\n' | sort
}

# --- one run

run_log=""
fail() {
    echo "  FAIL: $*" >>"$run_log"
    verdict=FAIL
}

# The plays' times from the event log: feed answer and movie request of each, or empty.
play_times() {
    local j next
    for ((j = 0; j < ${#played[@]}; j++)); do
        next=${press_times[j + 1]:-99999999999999999}
        answered[j]=$(awk -v id="${played[j]}" -v a="${press_times[j]}" -v b="$next" \
            '$2 == "feed-answered" && $3 == id && $4 == 200 && $1 >= a && $1 < b {print $1; exit}' \
            "$events")
        movie[j]=$(awk -v id="${played[j]}" -v a="${press_times[j]}" -v b="$next" \
            '$2 == "movie-asked" && $3 == id && $1 >= a && $1 < b {print $1; exit}' "$events")
    done
}

# Compares the folder with what the plays left; sets verdict (ok, benefit or FAIL).
check_files() {
    local folder="$1" counted=() j last=-1 state want ahead before="" vid
    for ((j = 0; j < ${#played[@]}; j++)); do
        if [[ -n "${movie[j]}" ]] && ((movie[j] < killed_at)); then
            counted+=("${played[j]}")
            last=$j
        fi
    done
    local pending=""
    j=${#played[@]}
    ((j > 0)) && j=$((j - 1))
    if ((${#played[@]} > 0)) && ((j != last)) && [[ -n "${answered[j]}" ]] &&
        ((answered[j] < killed_at)); then
        pending=${played[j]}
    fi
    near_kill=0
    ((last >= 0)) && ((killed_at - movie[last] <= benefit_window_us)) && near_kill=1

    state=$(history_state "$folder" 2>>"$run_log") || { fail "History.ini does not parse"; }
    want=$(expected_history "${counted[@]}")
    ahead=$(expected_history "${counted[@]}" ${pending:+"$pending"})
    ((${#counted[@]} > 0)) && before=$(expected_history "${counted[@]:0:${#counted[@]}-1}")
    if [[ "$state" == "$want" || ("$pending" && "$state" == "$ahead") ]]; then
        :
    elif ((near_kill)) && [[ "$state" == "$before" ]]; then
        verdict=benefit
    else
        fail "History.ini holds"$'\n'"$state"$'\n'"  instead of"$'\n'"$want"
    fi

    settings_rows "$folder" 2>>"$run_log" || { fail "Kestrova.ini does not parse" && return; }
    vid=$(value_of "$work/settings" SYSTEM VIDEOID)
    local want_vid=""
    ((last >= 0)) && want_vid=${played[last]}
    if [[ "$vid" == "$want_vid" || ("$pending" && "$vid" == "$pending") ]]; then
        :
    elif ((near_kill)) && [[ "$vid" == "$(last_distinct_before "$last")" ]]; then
        [[ $verdict == FAIL ]] || verdict=benefit
    else
        fail "Kestrova.ini VIDEOID=$vid instead of $want_vid"
    fi
    [[ "$(value_of "$work/settings" NETWORK FEEDURL)" == "$FEEDURL" &&
        "$(value_of "$work/settings" NETWORK PLAYERURL)" == "$PLAYERURL" ]] ||
        fail "Kestrova.ini lost its [NETWORK] addresses"
    check_geometry
}

# The VIDEOID before play `last`: the ID of the last counted play before it, or none.
last_distinct_before() {
    local j
    for ((j = $1 - 1; j >= 0; j--)); do
        [[ -n "${movie[j]}" ]] && echo "${played[j]}" && return
    done
    echo ""
}

check_geometry() {
    [[ -n "$player_geometry" ]] || return 0
    ((killed_at - moved_at >= geometry_settled_us)) || {
        echo "  geometry: killed $(((killed_at - moved_at) / 1000)) ms after the move; not checked" >>"$run_log"
        return 0
    }
    local saved
    saved="$(value_of "$work/settings" PLAYER X) $(value_of "$work/settings" PLAYER Y)"
    saved+=" $(value_of "$work/settings" PLAYER WIDTH) $(value_of "$work/settings" PLAYER HEIGHT)"
    if [[ "$saved" == "$player_geometry" ]]; then
        echo "  geometry: saved as the window was ($saved)" >>"$run_log"
    else
        fail "[PLAYER] holds $saved; the window was at $player_geometry"
    fi
}

# Starts the program again in the folder, plays one more video, closes it with SIGTERM, and
# checks that the old records are still there and no temporary file is left.
check_next_start() {
    local folder="$1" fresh="" id state old
    state=$(history_state "$folder" 2>/dev/null) || state="COUNT=unreadable"
    for id in "${ids[@]}"; do
        grep -qF "$id"$'\t' <<<"$state" || { fresh=$id && break; }
    done
    old=$(tail -n +2 <<<"$state")
    start_program "$folder"
    wait_windows || { fail "no window at the next start" && wait_end && return; }
    press_play "$fresh" 1
    wait_event "movie-asked $fresh" "$pressed_at" 5000000 >/dev/null ||
        fail "the next start did not play $fresh"
    sleep 0.3
    kill -TERM "$program_pid"
    wait_end
    local now
    now=$(history_state "$folder" 2>/dev/null) || now="COUNT=unreadable"
    now=$(tail -n +2 <<<"$now")
    [[ "$now" == "$(printf '%s\t%s' "$fresh" "${title_of[$fresh]}")${old:+$'\n'$old}" ]] ||
        fail "after the next start History.ini holds"$'\n'"$now"
    local left
    left=$(temporaries "$folder")
    echo "  next start: played $fresh, closed; $(grep -c . <<<"$now") records," \
        "temporary files: ${left:-none}" >>"$run_log"
    [[ -z "$left" ]] || fail "temporary files left after the next start's saves"
}

# History.ini's mtime (its last save's write, before the fsync and rename) against the movie
# request of the last play that inserted a record.
note_save_lag() {
    local folder="$1" j mtime state
    [[ -e "$folder/History.ini" ]] || return 0
    mtime=$(stat -c %.6Y "$folder/History.ini")
    mtime=${mtime/./}
    state=$(history_state "$folder" 2>/dev/null) || return 0
    for ((j = ${#played[@]} - 1; j >= 0; j--)); do
        if [[ "${inserted[j]}" != 1 ]] || ! grep -qF "${played[j]}"$'\t' <<<"$state"; then
            continue
        fi
        if [[ -z "${movie[j]}" ]]; then
            echo "  History.ini written with ${played[j]} before its movie request" >>"$run_log"
        else
            echo "$((mtime - movie[j])) $n" >>"$work/save-lags"
            echo "  History.ini written $(ms $((mtime - movie[j]))) ms after ${played[j]}'s movie request" >>"$run_log"
        fi
        return 0
    done
}

# Starts the program, plays, and kills it the run's way; fails when no window came.
play_and_kill() {
    local folder="$1" plays="$2" mode="$3" j first=1 kill_delay
    start_program "$folder"
    killed_pid=$program_pid
    wait_windows || { fail "no window" && return 1; }
    local history_ids=" "
    for ((j = 0; j < plays; j++)); do
        local id=${ids[RANDOM % ${#ids[@]}]} is_last=$((j == plays - 1))
        ((RANDOM % 4 == 0)) && move_player
        if ((is_last)) && [[ $mode == typing ]]; then
            xdotool windowfocus "$main"
            ((first)) || xdotool key shift+Tab
            xdotool key ctrl+a
            xdotool type --delay 40 "$id" &
            pick 0 400 && sleep_ms "$picked"
            killed_at=$(now_us)
            kill -KILL "$program_pid"
            wait $! || true
            echo "  killed while typing $id" >>"$run_log"
            break
        fi
        if ((is_last)); then
            case $mode in
            feed) pick 0 4000 && kill_delay=$picked ;;
            movie) pick 0 8000 && kill_delay=$picked ;;
            esac
            [[ $mode == feed || $mode == movie ]] &&
                echo "$mode-asked $id $program_pid $kill_delay" >"$trigger"
        fi
        press_play "$id" "$first"
        first=0
        played+=("$id")
        press_times+=("$pressed_at")
        [[ "$history_ids" == *" $id "* ]] && inserted+=(0) || inserted+=(1)
        history_ids+="$id "
        if ((is_last)); then
            break
        fi
        wait_event "movie-asked $id" "$pressed_at" 5000000 >/dev/null ||
            echo "  play of $id: no movie request within 5 s" >>"$run_log"
    done

    case $mode in
    settled)
        pick 0 1500 && sleep_ms "$picked"
        killed_at=$(now_us)
        kill -KILL "$program_pid"
        ;;
    geometry)
        wait_event "movie-asked ${played[-1]}" "$pressed_at" 5000000 >/dev/null || true
        move_player
        pick 0 1200 && sleep_ms "$picked"
        killed_at=$(now_us)
        kill -KILL "$program_pid"
        ;;
    feed | movie)
        local fired
        if fired=$(wait_event "killed ${played[-1]}" "$pressed_at" 5000000); then
            killed_at=$fired
        else
            echo "  the trigger did not fire" >>"$run_log"
            killed_at=$(now_us)
            kill -KILL "$program_pid"
        fi
        rm -f "$trigger"
        ;;
    esac
}

one_run() {
    local n="$1"
    local folder="$work/run-$n" mode
    make_folder "$folder"
    run_log="$folder/result"
    : >"$run_log"
    verdict=ok
    damaged=0
    played=() press_times=() answered=() movie=() inserted=()
    player_geometry="" moved_at=0 killed_at=0
    local modes=(feed feed movie movie movie settled settled typing geometry geometry)
    mode=${modes[RANDOM % ${#modes[@]}]}

    pick 1 6
    if play_and_kill "$folder" "$picked" "$mode"; then
        wait_end
        check_run "$folder" "$n"
    else
        wait_end
    fi
    describe_run "$n" "$mode"
    cat "$run_log"
    if ((damaged)); then
        echo "$mode $verdict" >>"$work/damaged"
        rm -rf "$folder"
        return
    fi
    echo "$mode $verdict" >>"$work/verdicts"
    if [[ $verdict == FAIL ]]; then
        failures=$((failures + 1))
    elif [[ -z "${KILL_KEEP:-}" ]]; then
        rm -rf "$folder"
    fi
}

# KILL_SELF_CHECK=1: damages each folder after the kill, in turn one of four ways, so that
# the run must fail; shows that the checks catch what they are for.
damage() {
    local folder="$1" n="$2"
    case $((n % 4)) in
    0) [[ -s "$folder/History.ini" ]] && truncate -s -3 "$folder/History.ini" ;;
    1) [[ -s "$folder/History.ini" ]] &&
        LC_ALL=C sed -i '0,/^TITLE=./s/^TITLE=./TITLE=/' "$folder/History.ini" ;;
    2) touch "$folder/.History.ini.1.0.tmp" ;; # of a process that is alive, and young
    3) grep -q '^VIDEOID=' "$folder/Kestrova.ini" &&
        sed -i 's/^VIDEOID=.*/VIDEOID=oldVideoId1/' "$folder/Kestrova.ini" ;;
    esac
}

check_run() {
    local folder="$1" n="$2" left
    play_times
    if [[ -n "${KILL_SELF_CHECK:-}" ]]; then
        damage "$folder" "$n" && damaged=1
    fi
    left=$(temporaries "$folder")
    check_files "$folder"
    ((damaged)) || note_save_lag "$folder"
    if [[ -n "$left" ]]; then
        while read -r name; do echo "  left by the kill: $name"; done <<<"$left" >>"$run_log"
        grep -qv "\.$killed_pid\." <<<"$left" && fail "a temporary file not of the killed process"
        echo "$left" >>"$work/left-temporaries"
    fi
    if [[ -n "$left" ]] || ((n % 10 == 0)); then
        check_next_start "$folder"
    fi
}

# One line a run, then the timing of the kill against the last play.
describe_run() {
    local n="$1" mode="$2" j text="" last=$((${#played[@]} - 1))
    for ((j = 0; j <= last; j++)); do
        text+=" ${played[j]}"
        [[ -n "${movie[j]}" ]] && ((movie[j] < killed_at)) || text+="(not counted)"
    done
    {
        echo "run $n: $verdict, kill=$mode, plays:${text:- none}"
        if ((last >= 0)); then
            local rel=""
            [[ -n "${answered[last]}" ]] && rel+=" title answered $(ms $((killed_at - answered[last]))) ms before the kill;"
            [[ -n "${movie[last]}" ]] && rel+=" movie asked $(ms $((killed_at - movie[last]))) ms before the kill;"
            echo "  last play:${rel:- no answer, no movie request before the kill}"
        fi
    } >"$run_log.head"
    cat "$run_log" >>"$run_log.head"
    mv "$run_log.head" "$run_log"
    if [[ $verdict == benefit ]]; then
        ms $((killed_at - movie[last])) >>"$work/benefit-gaps"; echo >>"$work/benefit-gaps"
    fi
}

ms() { awk -v us="$1" 'BEGIN {printf "%.1f", us / 1000}'; }

echo "Kestrova kill -9 during play: $runs runs, KILL_SEED=$seed, folders in $work"
started=$(now_us)
for ((run = 1; run <= runs; run++)); do
    printf '  run %d/%d\r' "$run" "$runs" >&2
    one_run "$run"
done
echo >&2

summary() {
    local total ok benefit failed
    if [[ -s "$work/damaged" ]]; then
        echo "self-check: $(grep -c ' FAIL$' "$work/damaged" || true) of $(wc -l <"$work/damaged")" \
            "damaged folders failed, as they must; the runs left undamaged:"
    fi
    touch "$work/verdicts"
    total=$(wc -l <"$work/verdicts")
    ok=$(grep -c ' ok$' "$work/verdicts" || true)
    benefit=$(grep -c ' benefit$' "$work/verdicts" || true)
    failed=$(grep -c ' FAIL$' "$work/verdicts" || true)
    echo "$((ok + benefit)) of $total runs with nothing lost ($ok exactly as played, $benefit killed between" \
        "a movie request and its saves); $failed failed"
    echo "kills by kind: $(awk '{n[$1]++} END {for (m in n) printf "%s %d, ", m, n[m]}' "$work/verdicts")"
    [[ -s "$work/benefit-gaps" ]] &&
        echo "benefit cases, movie request to kill (ms): $(sort -n "$work/benefit-gaps" | tr '\n' ' ')"
    if [[ -s "$work/save-lags" ]]; then
        sort -n "$work/save-lags" | awk '{v[NR] = $1 / 1000; r[NR] = $2}
            END {printf "History.ini text written (its mtime, before fsync and rename) %.1f ms after the movie request\n  (median of %d; %.1f (run %d) to %.1f (run %d))\n", v[int((NR + 1) / 2)], NR, v[1], r[1], v[NR], r[NR]}'
    fi
    if [[ -s "$work/left-temporaries" ]]; then
        echo "temporary files left by a kill: $(wc -l <"$work/left-temporaries") ($(tr '\n' ' ' <"$work/left-temporaries"))"
    else
        echo "temporary files left by a kill: none"
    fi
    echo "took $((($(now_us) - started) / 1000000)) s"
}
echo
summary
