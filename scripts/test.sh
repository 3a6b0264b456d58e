#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite.
#   Usage: scripts/test.sh [--sanitize]   (--sanitize: the suite in the ASan + UBSan build)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
[[ "${1:-}" == "--sanitize" ]] && preset=asan
scripts/setup.sh "$@"

if [[ $preset == asan ]]; then
    # Third-party libraries (Qt, Mesa, libmpv, fontconfig) keep caches for the life of the
    # process; their leaks are not ours, the suppressions name them.
    export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

# There is no desktop session here. Without a session bus address, libdbus (under Qt's
# accessibility bridge on X) would autolaunch one by forking inside multi-threaded test
# programs, which can deadlock the child under ASan; an unreachable address fails at once.
export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/kestrova-test-bus"

# End-to-end tests drive the real program on an X server; Xvfb stands in for a desktop.
scripts/with-xvfb.sh ctest --preset "$preset"
