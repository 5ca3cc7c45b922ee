#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs every test twice:
# with the ci preset (warnings as errors) and with the asan preset (ASan + UBSan); then runs each
# fuzz target for about 30 seconds (scripts/run-fuzzers.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh
scripts/check-layers.py
for preset in ci asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
scripts/run-fuzzers.sh 30
