#!/usr/bin/env bash
# Checks the include rule of ARCHITECTURE.md: each folder of the program includes only itself
# and the folders below it.   Usage: scripts/check-layers.sh   (exit 1 and a line per breach)
set -euo pipefail
cd "$(dirname "$0")/.."

# A folder, then the folders it may include besides itself, lowest layer first.
declare -A allowed=(
    [res]=""
    [platform]="res"
    [metadata]="platform res"
    [history]="metadata platform res"
    [player]="platform res"
    [desktop]="player platform res"
    [request]="history metadata player platform res"
    [app]="request history metadata player desktop platform res"
)

breaches=0
for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line text; do
        included=${text#*\"}
        included=${included%%/*}
        [[ "$included" == "$folder" ]] && continue
        if [[ " ${allowed[$folder]} " != *" $included "* ]]; then
            echo "$file:$line: $folder/ must not include $included/"
            breaches=$((breaches + 1))
        fi
    done < <(grep -Hn '^#include "[a-z]*/' "$folder"/*.h "$folder"/*.cpp "$folder"/*.in 2>/dev/null || true)
done
((breaches == 0)) && echo "include rule holds in ${#allowed[@]} folders"
((breaches == 0))
