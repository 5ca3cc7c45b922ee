#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs every test twice:
# with the ci preset (warnings as errors) and with the asan preset (ASan + UBSan); in between it
# runs each fuzz target for about 30 seconds (scripts/run-fuzzers.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh
scripts/check-layers.py
run_preset() {
    echo "== $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
    ctest --preset "$@"
}
run_preset ci
scripts/run-fuzzers.sh 30
# The 1,000-kill crash soak runs once, in the ci build; under the sanitizers the crash test's
# 40 kills a run take the same path.
run_preset asan -LE soak
