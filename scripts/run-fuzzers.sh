#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `fuzz`, clang with ASan and UBSan) and runs each for a while
# from its seed corpus in fuzz/corpus/<target>/. Fails on any crash, hang, leak or sanitizer report.
# Usage: scripts/run-fuzzers.sh [seconds per target, default 30] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_eventjson fuzz_siframes fuzz_coursedata fuzz_entrylist fuzz_startlist fuzz_timeofday
        fuzz_syncframes fuzz_syncchanges fuzz_webanswers fuzz_journalreplay fuzz_starttimeedit fuzz_startlistimport)
fi
# Only the targets asked for: the store's targets build most of the code.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
for target in "${targets[@]}"; do
    echo "== $target (${seconds}s)"
    # New inputs go to a scratch folder; the seeds in the repository stay as they are.
    mkdir -p "$work/$target"
    if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        TZ=Europe/Copenhagen LC_ALL=C.UTF-8 \
        "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$work/$target-" "$work/$target" "fuzz/corpus/$target" \
        >"$work/$target.log" 2>&1; then
        tail -n 60 "$work/$target.log"
        for artifact in "$work/$target"-*; do
            [ -e "$artifact" ] && cp "$artifact" . && echo "failing input saved as ./$(basename "$artifact")"
        done
        failed=1
    else
        grep -aE '^(stat::number_of_executed_units|Done)' "$work/$target.log" || true
    fi
done
exit $failed
