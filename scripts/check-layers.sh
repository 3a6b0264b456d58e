#!/usr/bin/env bash
# Checks the include rule of ARCHITECTURE.md: each folder of the program includes only itself
# and the folders below it.   Usage: scripts/check-layers.sh   (exit 1 and a line per breach)
set -euo pipefail
cd "$(dirname "$0")/.."

# A folder, then the folders it may include besides itself, lowest layer first.
declare -A allowed=(
    [res]=""
    [text]="res"
    [process]="text res"
    [profile]="process text res"
    [widgets]="process text res"
    [metadata]="profile process text res"
    [service]="metadata profile process text res"
    [history]="metadata widgets profile process text res"
    [player]="service widgets profile process text res"
    [desktop]="player widgets process text res"
    [request]="history metadata service player widgets profile process text res"
    [app]="request history metadata service player desktop widgets profile process text res"
)

# Every include form: quoted or angled, with spaces around the hash or not; only includes of
# the program's own folders count (<mpv/client.h> and <sys/stat.h> are not ours).
include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([a-z]+)/'
breaches=0
for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line text; do
        [[ "$text" =~ $include_pattern ]] || continue
        included=${BASH_REMATCH[1]}
        [[ "$included" == "$folder" || -z "${allowed[$included]+known}" ]] && continue
        if [[ " ${allowed[$folder]} " != *" $included "* ]]; then
            echo "$file:$line: $folder/ must not include $included/"
            breaches=$((breaches + 1))
        fi
    done < <(grep -HnE "$include_pattern" "$folder"/*.h "$folder"/*.cpp "$folder"/*.in 2>/dev/null || true)
done
((breaches == 0)) && echo "include rule holds in ${#allowed[@]} folders"
((breaches == 0))
