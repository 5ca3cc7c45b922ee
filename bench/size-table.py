#!/usr/bin/env python3
"""Prints the medians of bench/run-sizes.sh's JSON files at 500, 5,000 and 50,000 entries and the
growth from 5,000 to 50,000, CPU time and wall time (the new binaries; old ones in brackets)."""
import glob
import json
import os
import re
import sys

SIZE = re.compile(r"/(500|5000|50000)(?=/|$)")
found = {}
for path in sorted(glob.glob(os.path.join(sys.argv[1], "*.json"))):
    side = path.rsplit(".", 2)[1]
    with open(path) as f:
        for b in json.load(f).get("benchmarks", []):
            if b.get("aggregate_name") not in (None, "median"):
                continue
            name = b.get("run_name", b["name"])
            m = SIZE.search(name)
            if not m:
                continue
            key = SIZE.sub("/N", name, count=1)
            found.setdefault(key, {})[(side, int(m.group(1)))] = (b["cpu_time"], b["real_time"], b["time_unit"])


def cell(entry, side, n, i):
    v = entry.get((side, n))
    return f"{v[i]:.4g}" if v else "-"


def growth(entry, side, i):
    a, b = entry.get((side, 5000)), entry.get((side, 50000))
    return f"{b[i] / a[i]:.1f}" if a and b else "-"


print("benchmark (N entries) | unit | CPU 500 / 5,000 / 50,000 | CPU growth | wall growth")
for key, entry in found.items():
    unit = next(iter(entry.values()))[2]
    cpu = " / ".join(cell(entry, "new", n, 0) for n in (500, 5000, 50000))
    old = f" ({growth(entry, 'old', 0)})" if any(s == "old" for s, _ in entry) else ""
    print(f"{key} | {unit} | {cpu} | {growth(entry, 'new', 0)}{old} | {growth(entry, 'new', 1)}")
