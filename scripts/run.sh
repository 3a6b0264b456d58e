#!/usr/bin/env bash
# Sets everything up, builds, and starts Kestrova. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/app/kestrova "$@"
