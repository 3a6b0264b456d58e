#!/usr/bin/env bash
# Checks the include rules of ARCHITECTURE.md:
#   - each folder of the program includes only itself and the folders below it;
#   - nothing outside the movie engine's module includes the module's headers, but a test,
#     benchmark or tool that compiles that very file of the module itself;
#   - every folder that holds sources is one of the program's, or tests/, bench/, fuzz/ or
#     tools/, which may include any folder of the program.
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
    [player]="service widgets profile process text res"
    [desktop]="player widgets process text res"
    [request]="history metadata service player widgets profile process text res"
    [app]="request history metadata service player desktop widgets profile process text res"
)
outside="tests bench fuzz tools"

# The module's files: the sources of the kestrova_engine target, as player/<Name>.
module_files=$(sed -n '/add_library(kestrova_engine MODULE/,/)/s/^[[:space:]]*\([A-Za-z]*\)\.cpp.*/\1/p' \
    player/CMakeLists.txt)
[[ -n "$module_files" ]] || { echo "player/CMakeLists.txt: no kestrova_engine sources found"; exit 1; }
declare -A module=()
for name in $module_files; do module[$name]=1; done
is_module_file() { [[ -n "${module[$1]+yes}" ]]; }

breaches=0
breach() {
    echo "$1"
    breaches=$((breaches + 1))
}

sources() { find "$@" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) 2>/dev/null; }

# Every include form: quoted or angled, with spaces around the hash or not; only includes of
# the program's own folders count (<mpv/client.h> and <sys/stat.h> are not ours).
include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([a-z]+)/([A-Za-z0-9_]+)\.h'

check_folder() { # folder
    local folder=$1 file line text included name base
    while IFS=: read -r file line text; do
        [[ "$text" =~ $include_pattern ]] || continue
        included=${BASH_REMATCH[1]}
        name=${BASH_REMATCH[2]}
        [[ -n "${allowed[$included]+known}" ]] || continue
        if [[ -n "${allowed[$folder]+known}" && "$included" != "$folder" &&
              " ${allowed[$folder]} " != *" $included "* ]]; then
            breach "$file:$line: $folder/ must not include $included/"
        fi
        [[ "$included" == player ]] && is_module_file "$name" || continue
        base=$(basename "${file%.*}")
        if [[ "$folder" == player ]]; then
            is_module_file "$base" || breach "$file:$line: only the engine's module includes player/$name.h"
        elif ! grep -qs "player/$name.cpp" "$(dirname "$file")/CMakeLists.txt"; then
            breach "$file:$line: player/$name.h is the engine module's; include it only where player/$name.cpp is compiled"
        fi
    done < <(sources "$folder" | xargs -r grep -HnE "$include_pattern" || true)
}

for folder in "${!allowed[@]}" $outside; do
    check_folder "$folder"
done

# A folder of sources the rules do not know would escape them.
while read -r top; do
    top=${top#./}
    [[ -n "${allowed[$top]+known}" || " $outside " == *" $top "* ]] && continue
    breach "$top/: a folder of sources unknown to scripts/check-layers.sh"
done < <(find . -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) -not -path './.git/*' \
    -not -path './build*' | cut -d/ -f2 | sort -u | sed 's|^|./|')

((breaches == 0)) && echo "include rules hold in ${#allowed[@]} folders and $outside"
((breaches == 0))
