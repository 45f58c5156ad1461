#!/usr/bin/env python3
"""The race catalogue: every course on seeds 1-3 raced headless with the autopilot, one
row per race with its outcome, frames, best lap, finishing order with times and a hash
of its whole trace. The sweep test races the same races and compares each with its row,
so any change to what a race does shows up there, course by course.

  tools/race_catalogue.py [OUT]     writes the table (default tests/data/race_catalogue.tsv)

Regenerate it in the commit that changes a race rule on purpose, and say in the commit
which rows moved and why. GAME=path picks another build (default build/game/gravel-ghosts).
"""
import json
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GAME = os.environ.get("GAME", os.path.join(ROOT, "build", "game", "gravel-ghosts"))
COURSES = range(1, 15)
SEEDS = (1, 2, 3)


def trace_hash(data):
    """FNV-1a, 64 bits: the test computes the same over the trace it writes."""
    h = 0xCBF29CE484222325
    for byte in data:
        h = ((h ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def row(course, seed, folder):
    trace = os.path.join(folder, "trace.jsonl")
    out = subprocess.run([GAME, "--headless", "--autopilot", "--mute", "--course", str(course),
                          "--seed", str(seed), "--trace", trace],
                         capture_output=True, text=True, check=True).stdout
    report = json.loads(out)
    with open(trace, "rb") as f:
        digest = trace_hash(f.read())
    order = ", ".join("%d %s" % (r["car"], r["time"]) for r in report["order"])
    return "\t".join([str(course), str(seed), str(report["outcome"]), str(report["frames"]),
                      "%.9g" % report["BestLapTime"], order, digest])


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "tests", "data", "race_catalogue.tsv")
    lines = ["# course\tseed\toutcome\tframes\tbest lap\torder (car time)\ttrace hash"]
    with tempfile.TemporaryDirectory() as folder:
        for course in COURSES:
            for seed in SEEDS:
                lines.append(row(course, seed, folder))
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")
    print("wrote %d races to %s" % (len(lines) - 1, out))


if __name__ == "__main__":
    main()
