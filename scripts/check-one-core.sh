#!/usr/bin/env bash
# Checks that the process holds one copy of the core: no symbol that libkestrova-core.so
# defines is defined again (even hidden) in the program or in the engine module, which would
# then have statics of their own (the seams, the AppContext) that the other never sees.
#   Usage: scripts/check-one-core.sh PROGRAM_FOLDER   (the folder with kestrova, the module
#                                                     and libkestrova-core.so; exit 1 on a copy)
set -euo pipefail
folder="$1"
core=$(mktemp)
trap 'rm -f "$core"' EXIT
nm -D --defined-only "$folder/libkestrova-core.so" | awk '$2 ~ /^[TDBR]$/ {print $3}' | sort -u >"$core"
[[ -s "$core" ]] || { echo "no symbols in $folder/libkestrova-core.so" >&2 && exit 1; }
copies=0
for binary in kestrova kestrova-engine.so; do
    twice=$(nm --defined-only "$folder/$binary" | awk '$2 ~ /^[TtDdBbRr]$/ {print $3}' | sort -u |
        comm -12 "$core" -)
    if [[ -n "$twice" ]]; then
        echo "$binary holds its own copy of $(wc -l <<<"$twice") symbols of the core, e.g.:"
        head -n 5 <<<"$twice" | c++filt | sed 's/^/  /'
        copies=1
    fi
done
((copies == 0)) && echo "one core: $(wc -l <"$core") symbols, defined in libkestrova-core.so alone"
((copies == 0))
