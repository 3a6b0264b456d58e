#!/usr/bin/env bash
# Runs a command on a fresh Xvfb display that stands in for a desktop.
#   Usage: scripts/with-xvfb.sh COMMAND [ARGUMENTS...]
# -noreset: by default the X server resets whenever its last client leaves, and a program
# that connects at that moment has its connection dropped. Tests, checks and benchmarks start
# programs one after another, so without it they fail now and then for no fault of their own.
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
