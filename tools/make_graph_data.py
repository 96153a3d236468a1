#!/usr/bin/env python3
"""Writes data files for looking at the graph and for its golden picture.

    python3 tools/make_graph_data.py                 # tests/data/graph/curve.txt, wide.txt
    python3 tools/make_graph_data.py OUT.txt KIND N [SEED]

KIND is walk (random walk), sine, overload (a sine with every seventh
reading an overload), or wide (a sawtooth from -6000 to 494000, whose value
labels are wider than the graph's left margin). Uses the independent writer of tools/make_datafiles.py.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_datafiles import (CLASS_1, NEW_CLASS, body, class_descriptor, count,  # noqa: E402
                            summary)

OVERLOAD = 500000.0


def values_of(kind, n, seed):
    rng = random.Random(seed)
    if kind == "walk":
        v, out = 0.0, []
        for _ in range(n):
            v += rng.uniform(-1.0, 1.0)
            out.append(round(v, 4))
        return out
    if kind == "wide":
        return [-6000.0 + (k % 11) * 50000.0 for k in range(n)]
    out = [round(2.5 * math.sin(k / 4.0) + 0.01 * k, 4) for k in range(n)]
    if kind == "overload":
        out = [OVERLOAD if k % 7 == 6 else v for k, v in enumerate(out)]
    return out


def document(values):
    parts = [count(len(values))]
    for k, v in enumerate(values):
        time = "8/12/2026 9:%d:%d" % (k // 60 % 60, k % 60)
        parts.append((NEW_CLASS + class_descriptor()) if k == 0 else CLASS_1)
        parts.append(body(v, "VDC", 1.0, k, time, "VDC"))
    kept = [v for v in values if v < OVERLOAD] or [0.0]
    last = "8/12/2026 9:%d:%d" % ((len(values) - 1) // 60 % 60, (len(values) - 1) % 60)
    parts.append(count(0) + count(0))
    parts.append(summary(sum(kept) / len(kept), max(kept), "", min(kept), "", 1.0, sum(kept),
                         len(values), "8/12/2026 9:0:0", last, "VDC"))
    return b"".join(parts)


def main():
    if len(sys.argv) == 1:
        here = os.path.dirname(os.path.abspath(__file__))
        folder = os.path.join(here, "..", "tests", "data", "graph")
        os.makedirs(folder, exist_ok=True)
        jobs = [(os.path.join(folder, "curve.txt"), "overload", 30, 0),
                (os.path.join(folder, "wide.txt"), "wide", 30, 0)]
    else:
        seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
        jobs = [(sys.argv[1], sys.argv[2], int(sys.argv[3]), seed)]
    for out, kind, n, seed in jobs:
        with open(out, "wb") as f:
            f.write(document(values_of(kind, n, seed)))


if __name__ == "__main__":
    main()
