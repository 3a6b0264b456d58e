#!/usr/bin/env bash
# Run under an X server (scripts/package.sh starts Xvfb): starts the program given, waits
# (bounded) for its main window, sends SIGTERM and checks that it ends with status 0.
#   Usage: scripts/package-smoke.sh /usr/bin/kestrova
set -euo pipefail
program="$1"

"$program" &
pid=$!
for _ in $(seq 1 200); do
    xdotool search --onlyvisible --name '^Kestrova$' >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if ! xdotool search --onlyvisible --name '^Kestrova$' >/dev/null 2>&1; then
    kill -KILL "$pid" 2>/dev/null || true
    echo "package: FAILED: no Kestrova window within 10 s" >&2
    exit 1
fi
echo "   window is up"
kill -TERM "$pid"
status=0
for _ in $(seq 1 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    echo "package: FAILED: still running 10 s after SIGTERM" >&2
    exit 1
fi
wait "$pid" || status=$?
[[ $status -eq 0 ]] || { echo "package: FAILED: exit status $status after SIGTERM" >&2; exit 1; }
echo "   ended with status 0 on SIGTERM"
