#!/usr/bin/env python3
"""Growth from 5,000 to 50,000 entries over several runs of bench/run-sizes.sh (the new binaries):
for each sized benchmark the median CPU time at 5,000 and 50,000 over the runs, the growth in each
run and its median. One run's growth moves with what memory beyond the caches costs the machine
at that time; the median of several runs, one after the other, is the figure to compare.
Usage: bench/size-runs.py OUT1 OUT2 ... (the output folders of run-sizes.sh)"""
import glob
import json
import os
import re
import statistics
import sys

SIZE = re.compile(r"/(500|5000|50000)(?=/|$)")


def read_run(folder):
    """benchmark (sizes as /N) -> {(program, size): (cpu time, unit)}, in the order met."""
    found = {}
    for path in sorted(glob.glob(os.path.join(folder, "*.new.json"))):
        program = os.path.basename(path).split(".", 1)[0]
        with open(path) as f:
            for b in json.load(f).get("benchmarks", []):
                if b.get("aggregate_name") != "median":
                    continue
                name = b.get("run_name", b["name"])
                m = SIZE.search(name)
                if not m:
                    continue
                key = (program, SIZE.sub("/N", name, count=1))
                found.setdefault(key, {})[int(m.group(1))] = (b["cpu_time"], b["time_unit"])
    return found


def main(folders):
    if not folders:
        sys.exit(__doc__)
    runs = [read_run(folder) for folder in folders]
    print("| benchmark (N entries) | program | CPU at 5,000 / 50,000, medians of the runs "
          "| growth in each run | median growth |")
    print("|---|---|---|---|---|")
    for key in runs[0]:
        small, large, growths = [], [], []
        unit = ""
        for run in runs:
            sizes = run.get(key, {})
            if 5000 in sizes and 50000 in sizes:
                small.append(sizes[5000][0])
                large.append(sizes[50000][0])
                growths.append(sizes[50000][0] / sizes[5000][0])
                unit = sizes[5000][1]
        if not growths:
            continue
        program, name = key
        each = ", ".join(f"{g:.1f}" for g in growths)
        print(f"| `{name}` | `bench_{program}` | {statistics.median(small):.3g} / "
              f"{statistics.median(large):.4g} {unit} | {each} | {statistics.median(growths):.1f} |")


if __name__ == "__main__":
    main(sys.argv[1:])
