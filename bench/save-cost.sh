#!/usr/bin/env bash
# What the write-through saves add to a Play Video, measured on the real program. By hand,
# not in CI; under Xvfb (scripts/with-xvfb.sh); needs perf (Debian linux-perf) and root, or
# a perf_event_paranoid that lets perf trace the program.
#   Usage: [SAVE_KEEP=1] bench/save-cost.sh [PLAYS]     (PLAYS a disk: default 30)
#
# Kestrova runs in a program folder whose History.ini already holds 50 records (the list is
# full: each play inserts one and drops the last, so every record moves; code page 932,
# Japanese titles), first on the work disk (ext4, under /tmp), then on tmpfs (/dev/shm).
# PLAYS new video IDs are played by keyboard from build/bench/play_event_servers, one every
# 0.3 s after its movie was requested. Uprobes (entry and return, recorded by perf record)
# time, for each play:
#   - what the GUI thread spends: the two SaveDataFile calls (in the program), which copy
#     what to write and hand it to the data files' writer thread;
#   - what the writer thread spends: HistoryStore::saveItems and WriteSettings (in
#     libkestrova-core.so), each the file read again (so lines added by hand are kept), the
#     new text encoded, written to a temporary file, fsync, rename, fsync of the folder.
# Why uprobes: two traps a save cost microseconds, while tracing the file calls costs more
# than the save itself (strace stops the thread twice a call).
#
# Measured on the 2-core work VM shared with other builds, Xvfb, PLAYS=100 (medians; p10-p90):
#   ext4   handed over on the GUI thread 0.06 ms (0.05-0.19, at most 0.80);
#          written on the writer thread: History.ini 1.63 ms, Kestrova.ini 1.32 ms,
#          both 3.01 ms (2.21-3.99, at most 5.0)
#   tmpfs  handed over 0.06 ms (0.05-0.19); both written 0.26 ms (0.20-0.55)
# Before the writer thread the GUI thread made both saves itself: 8.9-9.5 ms a play on ext4
# (medians of three runs, p90 up to 18 ms, at most 66 ms) and 0.41-0.44 ms on tmpfs.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
root=$PWD

if [[ "${1:-}" != --inside-x ]]; then
    command -v perf >/dev/null || { echo "save-cost.sh needs perf (linux-perf)" >&2 && exit 1; }
    cmake --build --preset default --target kestrova play_event_servers >/dev/null
    exec "$root/scripts/with-xvfb.sh" "$self" --inside-x "${1:-30}"
fi
plays="$2"

work=$(mktemp -d /tmp/kestrova-save-XXXXXX)
program_pid=""
folders=()
cleanup() {
    [[ -n "$program_pid" ]] && kill -KILL "$program_pid" 2>/dev/null
    stop_servers
    remove_probes
    rm -rf "${folders[@]}"
    if [[ -n "${SAVE_KEEP:-}" ]]; then
        echo "kept: $work (perf data, and one line a play in ext4 and tmpfs)"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
# shellcheck source=bench/play-session.sh
source "$root/bench/play-session.sh"
# shellcheck disable=SC2119 # no trigger: nothing is killed here
start_servers

# A full history of 50 records in code page 932, as the program writes it.
seed_history() {
    {
        printf '[SYSTEM]\nCOUNT=50\n'
        for ((k = 0; k < 50; k++)); do
            printf '[ITEM%d]\nVIDEOID=seed%07d\nTITLE=朝の散歩 Morning walk 第%d回 【ｶﾀｶﾅ】 東京\n' \
                "$k" "$k" "$k"
        done
    } | iconv -f UTF-8 -t CP932 >"$1/History.ini"
}

readonly program="$root/build/app/kestrova"
readonly core="$root/build/app/libkestrova-core.so"
# A probe's binary and the start of its function's demangled name.
declare -A probed=(
    [handover]="$program|kestrova::SaveDataFile("
    [history]="$core|kestrova::HistoryStore::saveItems("
    [settings]="$core|kestrova::WriteSettings(std::filesystem::__cxx11::path const&"
)
remove_probes() { perf probe -q -d 'probe_kestrova:*' 2>/dev/null || true; }
# By address: perf probe finds the functions by name through the debug information, but
# then cannot place a return probe on them.
add_probes() {
    remove_probes
    local name binary function address
    for name in "${!probed[@]}"; do
        binary=${probed[$name]%%|*}
        function=${probed[$name]#*|}
        address=$(nm -C --defined-only "$binary" |
            awk -v f="$function" '$2 == "T" && index(substr($0, 20), f) == 1 && !found++ {print "0x" $1}')
        if [[ -z "$address" ]] || ! perf probe -q -x "$binary" -a "probe_kestrova:${name}_in=$address" \
            -a "probe_kestrova:${name}_out=$address%return"; then
            echo "cannot place the probes on $function"
            return 1
        fi
    done
}

# perf script's "TIME: probe_kestrova:NAME:" lines to one line a save: "<which> <ms>".
save_durations() {
    perf script -i "$1" -F time,event 2>/dev/null | awk '
        { sub(/:$/, "", $1); split($2, name, ":"); event = name[2]; sub(/__return$/, "", event) }
        event ~ /_in$/ { started[event] = $1 }
        event ~ /_out$/ {
            which = substr(event, 1, length(event) - 4)
            if ((which "_in") in started) printf "%s %.3f\n", which, ($1 - started[which "_in"]) * 1000
        }'
}

stop_program() {
    kill -TERM "$program_pid"
    for _ in $(seq 1 500); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.01; done
    kill -KILL "$program_pid" 2>/dev/null || true
    program_pid=""
}

# Plays `plays` new IDs in a fresh folder under $2 and writes "<handed over ms> <History.ini
# ms> <Kestrova.ini ms> <both written ms>" a play to $work/$1.
measure_disk() {
    local disk="$1" base="$2" folder data="$work/$1.data" perf_pid i id
    folder=$(mktemp -d "$base/kestrova-save-XXXXXX")
    folders+=("$folder")
    echo "$disk: $folder ($(findmnt -n -o FSTYPE -T "$folder" | head -n1))"
    make_folder "$folder"
    seed_history "$folder"
    start_program "$folder"
    wait_windows || { echo "  no window" && stop_program && return 1; }
    # The player's first show is saved 500 ms later; the recording starts after that.
    sleep 1.5
    perf record -q -e 'probe_kestrova:*' -p "$program_pid" -o "$data" 2>/dev/null &
    perf_pid=$!
    sleep 1
    for ((i = 1; i <= plays; i++)); do
        printf '  play %d/%d\r' "$i" "$plays" >&2
        id=$(printf 'cost%s%06d' "${disk:0:1}" "$i")
        press_play "$id" $((i == 1))
        wait_event "movie-asked $id" "$pressed_at" 5000000 >/dev/null ||
            echo "  $id: no movie request within 5 s"
        sleep 0.3
    done
    echo >&2
    kill -INT "$perf_pid"
    wait "$perf_pid" || true
    stop_program
    save_durations "$data" >"$work/$disk.saves"
    # One line a play: both handed over (two calls on the GUI thread), History.ini and
    # Kestrova.ini written (on the writer thread), both written.
    paste -d ' ' <(awk '$1 == "handover" {if (++n % 2 == 0) print sum + $2; else sum = $2}' \
        "$work/$disk.saves") \
        <(awk '$1 == "history" {print $2}' "$work/$disk.saves") \
        <(awk '$1 == "settings" {print $2}' "$work/$disk.saves") |
        awk 'NF == 3 {print $1, $2, $3, $2 + $3}' >"$work/$disk"
    local saves
    saves=$(wc -l <"$work/$disk")
    ((saves == plays)) || echo "  $saves pairs of saves for $plays plays: the figures may be off"
}

# Median, 10th and 90th percentile, least and most of one column.
figures() {
    awk -v c="$2" '{print $c}' "$1" | sort -g | awk '{v[NR] = $1}
        END {
            printf "median %6.2f ms   p10-p90 %6.2f-%6.2f   min-max %6.2f-%6.2f  (n=%d)\n",
                v[int((NR + 1) / 2)], v[int(NR * 0.1) + 1], v[int(NR * 0.9 + 0.5)], v[1], v[NR], NR
        }'
}

echo "Kestrova write-through saves in a Play Video, $plays plays a disk, 50-record History.ini"
add_probes
measure_disk ext4 /tmp
measure_disk tmpfs /dev/shm
for disk in ext4 tmpfs; do
    [[ -s "$work/$disk" ]] || continue
    echo "$disk"
    echo "  handed over, GUI thread  $(figures "$work/$disk" 1)"
    echo "  History.ini written      $(figures "$work/$disk" 2)"
    echo "  Kestrova.ini written     $(figures "$work/$disk" 3)"
    echo "  both written             $(figures "$work/$disk" 4)"
done
