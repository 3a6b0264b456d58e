#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset "fuzz") and runs each for a few seconds.
#   Usage: scripts/fuzz.sh [seconds]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-5}"
fuzzers=(fuzz_conversions fuzz_title fuzz_video_reference fuzz_profile_file)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${fuzzers[@]}"

export ASAN_OPTIONS="detect_leaks=1"
# The profile-file target saves a file at every run: keep that off the disk where possible.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=/dev/shm
fi
for fuzzer in "${fuzzers[@]}"; do
    corpus="build-fuzz/corpus/$fuzzer"
    mkdir -p "$corpus"
    echo "== $fuzzer"
    "build-fuzz/fuzz/$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$fuzzer-" "$corpus"
done
