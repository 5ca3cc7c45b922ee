#!/usr/bin/env bash
# Runs the benchmarks that have 500, 5,000 and 50,000-entry sizes, medians of 3, one JSON file per
# benchmark program in OUT, and prints a table of the medians and the growth from 5,000 to 50,000.
# With OLD set to the bench folder of another build, those binaries run just before the new ones
# at the same load, for an old/new comparison.
# Usage: [OLD=<old build>/bench] bench/run-sizes.sh [build folder, default build/ci] [OUT, default a temp folder]
set -euo pipefail
cd "$(dirname "$0")/.."
new="${1:-build/ci}/bench"
out="${2:-$(mktemp -d)}"
mkdir -p "$out"
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
        env "$@" "$dir/$binary" --benchmark_filter="$filter" --benchmark_repetitions=3 \
            --benchmark_report_aggregates_only=true --benchmark_format=json >"$out/$tag.$side.json"
    done
}
run results bench_results '/(500|5000|50000)$'
run entries bench_entries '/(500|5000|50000)$'
run import bench_import 'EntryList.*/(500|5000|50000)$'
run model bench_model '(Decode|DecodePretty|Encode.*|LoadEventFile|SaveEventFile|ResultRecordsFloor.*)/(500|5000|50000)'
run documents bench_documents '/(500|5000|50000)$'
run outstanding bench_outstanding '.'
run readerpane bench_readerpane '/(500|5000|50000)$'
run startlistscreen bench_startlistscreen '/(500|5000|50000)$'
run setup bench_setup '/(500|5000|50000)'
run online bench_online '/(500|5000|50000)$'
run evaluation bench_evaluation 'RecordingIndexRebuild/(500|5000|50000)$'
run sync bench_sync 'OfSize/(500|5000|50000)$'
python3 bench/size-table.py "$out"
