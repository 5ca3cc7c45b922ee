#!/usr/bin/env bash
# Runs the benchmarks that have 500, 5,000 and 50,000-entry sizes, medians of 3, one JSON file per
# benchmark program in OUT, and prints a table of the medians and the growth from 5,000 to 50,000.
# With OLD set to the bench folder of another build, those binaries run just before the new ones
# at the same load, for an old/new comparison.
# With COLD=1 each timed iteration starts with the caches emptied of the event (VEXLO_BENCH_COLD=1,
# bench/benchcold.h), as the application meets the event between two jobs. An emptying takes about
# 0.2 s outside the timing, so those runs time only 5 ms or so of each job (a few iterations) and
# leave out the 500-entry size and the Status-screen benchmark (200 fixed iterations). Binaries
# built before bench/benchcold.h ignore the variable: an OLD side then runs warm.
# Several runs, one after the other, are compared by bench/size-runs.py (the median growth).
# Usage: [OLD=<old build>/bench] [COLD=1] bench/run-sizes.sh [build folder, default build/ci] [OUT, default a temp folder]
set -euo pipefail
cd "$(dirname "$0")/.."
new="${1:-build/ci}/bench"
out="${2:-$(mktemp -d)}"
mkdir -p "$out"
sizes='500|5000|50000'
extra=()
cold=()
if [ "${COLD:-}" = 1 ]; then
    sizes='5000|50000'
    extra=(--benchmark_min_time=0.005)
    cold=(VEXLO_BENCH_COLD=1)
fi
run() { # tag binary filter [env arguments]
    local tag=$1 binary=$2 filter=$3
    shift 3
    for side in old new; do
        local dir=$new
        if [ $side = old ]; then
            [ -n "${OLD:-}" ] && [ -x "$OLD/$binary" ] || continue
            dir=$OLD
        fi
        # An older binary may not have the benchmark yet.
        "$dir/$binary" --benchmark_list_tests --benchmark_filter="$filter" 2>/dev/null | grep -q . || continue
        echo "== $tag $side, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
        env "${cold[@]}" "$@" "$dir/$binary" --benchmark_filter="$filter" --benchmark_repetitions=3 \
            --benchmark_report_aggregates_only=true --benchmark_format=json "${extra[@]}" >"$out/$tag.$side.json"
    done
}
run results bench_results "/($sizes)\$"
run entries bench_entries "/($sizes)\$"
run import bench_import "EntryList.*/($sizes)\$"
run model bench_model "(Decode|DecodePretty|Encode.*|LoadEventFile|SaveEventFile|ResultRecordsFloor.*)/($sizes)"
run documents bench_documents "/($sizes)\$"
[ "${COLD:-}" = 1 ] || run outstanding bench_outstanding '.'
run readerpane bench_readerpane "/($sizes)\$"
run startlistscreen bench_startlistscreen "/($sizes)\$"
run setup bench_setup "/($sizes)"
run online bench_online "/($sizes)\$"
run evaluation bench_evaluation "RecordingIndexRebuild/($sizes)\$"
run sync bench_sync "OfSize/($sizes)\$"
python3 bench/size-table.py "$out"
