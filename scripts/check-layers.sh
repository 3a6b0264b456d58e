#!/usr/bin/env bash
# Checks the include rules of ARCHITECTURE.md:
#   - each folder of the program includes only itself and the folders below it;
#   - nothing but the movie engine's module (engine/mpv/) and its tests (tests/engine/mpv/)
#     includes the module's headers;
#   - every folder that holds sources is one of the program's, or lies in tests/, bench/, fuzz/
#     or tools/, which may include any folder of the program but the module.
#   Usage: scripts/check-layers.sh   (exit 1 and a line per breach)
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
    [playback]="text res"
    [engine]="playback service process text res"
    [engine/mpv]="engine playback service process text res"
    [player]="engine playback service widgets profile process text res"
    [desktop]="playback widgets process text res"
    [request]="history metadata service playback engine player widgets profile process text res"
    [app]="request history metadata service playback engine player desktop widgets profile process text res"
)
outside="tests bench fuzz tools"
module=engine/mpv
module_tests=tests/engine/mpv

breaches=0
breach() {
    echo "$1"
    breaches=$((breaches + 1))
}

# A program folder's own files (not those of a folder within it); every file below the others.
sources() { # folder
    local depth=()
    [[ -n "${allowed[$1]+known}" ]] && depth=(-maxdepth 1)
    find "$1" "${depth[@]}" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) 2>/dev/null
}

# Every include form: quoted or angled, with spaces around the hash or not; only includes of
# the program's own folders count (<mpv/client.h> and <sys/stat.h> are not ours).
include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([a-z]+(/[a-z]+)?)/[A-Za-z0-9_]+\.h'

check_folder() { # folder
    local folder=$1 file line text included
    while IFS=: read -r file line text; do
        [[ "$text" =~ $include_pattern ]] || continue
        included=${BASH_REMATCH[1]}
        [[ -n "${allowed[$included]+known}" ]] || continue
        if [[ -n "${allowed[$folder]+known}" && "$included" != "$folder" &&
              " ${allowed[$folder]} " != *" $included "* ]]; then
            breach "$file:$line: $folder/ must not include $included/"
        elif [[ "$included" == "$module" && "$file" != "$module"/* && "$file" != "$module_tests"/* ]]; then
            breach "$file:$line: only the engine's module and its tests include $module/"
        fi
    done < <(sources "$folder" | xargs -r grep -HnE "$include_pattern" || true)
}

for folder in "${!allowed[@]}" $outside; do
    check_folder "$folder"
done

# A folder of sources the rules do not know would escape them.
while read -r folder; do
    folder=${folder#./}
    [[ -n "${allowed[$folder]+known}" || " $outside " == *" ${folder%%/*} "* ]] && continue
    breach "$folder/: a folder of sources unknown to scripts/check-layers.sh"
done < <(find . -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) -not -path './.git/*' \
    -not -path './build*' -printf '%h\n' | sort -u)

((breaches == 0)) && echo "include rules hold in ${#allowed[@]} folders and $outside"
((breaches == 0))
