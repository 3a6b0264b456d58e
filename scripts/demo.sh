#!/usr/bin/env bash
# The offline demo: sets up and builds, then runs Kestrova against loopback feed and media
# servers in a temporary program folder (no internet needed). Arguments go to kestrova-demo
# (--keep, --history; after "--", arguments for Kestrova itself, such as -D274).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --build --preset default --target kestrova-demo
exec build/tools/kestrova-demo "$@"
