#!/usr/bin/env python3
"""Ranks each design's layouts by the classic and the fixpoint measure and by
measured stuck-at coverage, and prints Kendall's tau of each measure against
the coverage as a Markdown table.

Usage: measure_validation.py TARVEX DESIGN.v... [--patterns N]

For every design, 'tarvex compare --faultsim --json' runs at several overhead
bounds (so that the methods return layouts of different sizes); the distinct
layouts of all runs are pooled and ranked together."""
import json
import math
import os
import subprocess
import sys
import tempfile

BOUNDS = [("7", "13"), ("15", "30"), ("30", "60"), ("60", "100")]


def kendall_tau(x, y):
    concordant = discordant = tied_x = tied_y = 0
    n = len(x)
    for i in range(n):
        for j in range(i + 1, n):
            dx, dy = x[i] - x[j], y[i] - y[j]
            if dx == 0 and dy == 0:
                tied_x += 1
                tied_y += 1
            elif dx == 0:
                tied_x += 1
            elif dy == 0:
                tied_y += 1
            elif (dx > 0) == (dy > 0):
                concordant += 1
            else:
                discordant += 1
    pairs = n * (n - 1) / 2
    denominator = math.sqrt((pairs - tied_x) * (pairs - tied_y))
    return None if denominator <= 0 else (concordant - discordant) / denominator


def pooled_layouts(tarvex, design, patterns):
    layouts = {}
    for area, pins in BOUNDS:
        with tempfile.TemporaryDirectory() as out:
            cmd = [tarvex, "compare", os.path.abspath(design), "--faultsim", "--seed", "1", "--patterns", patterns,
                   "--area", area, "--pins", pins, "--json", "--out", out]
            subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            name = [f for f in os.listdir(out) if f.endswith(".compare.json")][0]
            with open(os.path.join(out, name)) as f:
                found = json.load(f)
        for entry in found["rank_agreement"]["layouts"]:
            layouts[entry["layout"]] = entry
    return list(layouts.values())


def main(argv):
    patterns = "10000"
    if "--patterns" in argv:
        k = argv.index("--patterns")
        patterns = argv[k + 1]
        del argv[k:k + 2]
    tarvex, designs = argv[1], argv[2:]
    print("| design | layouts | tau classic | tau fixpoint |")
    print("|---|---:|---:|---:|")
    sums = {"classic": [], "fixpoint": []}
    for design in designs:
        rows = pooled_layouts(tarvex, design, patterns)
        coverage = [r["stuck_at_coverage_percent"] for r in rows]
        taus = {}
        for measure in sums:
            taus[measure] = kendall_tau([r["testability_" + measure] for r in rows], coverage)
            if taus[measure] is not None:
                sums[measure].append(taus[measure])
        text = {m: "-" if t is None else "%.3f" % t for m, t in taus.items()}
        print("| %s | %d | %s | %s |" % (os.path.basename(design), len(rows), text["classic"], text["fixpoint"]))
    mean = {m: "%.3f" % (sum(v) / len(v)) if v else "-" for m, v in sums.items()}
    print("| **mean** | | **%s** | **%s** |" % (mean["classic"], mean["fixpoint"]))


if __name__ == "__main__":
    main(sys.argv)
