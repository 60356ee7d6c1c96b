"""The convex decomposition side by side with mapbox_earcut's triangulation of the
same rings: the real polygons of tests/data/realworld (or the set documents named).
Both sides start from points in memory; only the decomposition (convex_loops) and
the triangulation (triangulate_float64) are timed, each the best of several runs.
With --growth, the same for the largest polygons with every edge cut into 1, 2, 4,
8 and 16 equal parts: how the cost grows with the points of one real outline.

    build/python-venv/bin/python bench/python/earcut_compare.py [--growth] [FILE.json ...]
"""
import sys
import time
from pathlib import Path

import mapbox_earcut
import numpy as np

import shapeexport as se

ROOT = Path(__file__).resolve().parents[2]


def best_ms(run, prepare=lambda: None, budget=0.2, least=5):
    """The shortest of at least `least` runs taking `budget` seconds in all."""
    best, spent, runs = float("inf"), 0.0, 0
    while runs < least or spent < budget:
        prepare()
        start = time.perf_counter()
        run()
        took = time.perf_counter() - start
        best, spent, runs = min(best, took), spent + took, runs + 1
    return best * 1e3


def cut_edges(ring, parts):
    """The ring with each edge cut into `parts` equal parts."""
    following = np.roll(ring, -1, axis=0)
    steps = [ring + (following - ring) * (i / parts) for i in range(parts)]
    return np.stack(steps, axis=1).reshape(-1, 2)


def compare(path, parts=1):
    """(points, ours ms, earcut ms) for every item of the set document at `path`."""
    rows = []
    read = se.CrossSections.read(str(path))
    for item in read.items:
        positions = read.positions
        outline = cut_edges(positions[item.exterior[:, 0]], parts)
        holes = [cut_edges(positions[h[:, 0]], parts) for h in item.interiors]
        ours = se.CrossSections.from_arrays(outline, holes, fix_orientation=False)
        rings = [outline] + holes
        vertices = np.concatenate(rings)
        ends = np.cumsum([len(r) for r in rings]).astype(np.uint32)
        pieces = ours.items[0]
        rows.append((len(vertices), best_ms(pieces.convex_loops, ours.reset_convex_loops),
                     best_ms(lambda: mapbox_earcut.triangulate_float64(vertices, ends))))
    return rows


def growth(files):
    files = [Path(f) for f in files] or [ROOT / "tests/data/realworld" / f"{name}.json"
                                         for name in ("touching-holes6", "self-tangent-4", "water")]
    print(f"{'polygon':<20} {'parts':>5} {'points':>7} {'ours ms':>9} {'us/point':>9} {'earcut ms':>10} {'ratio':>7}")
    for path in files:
        for parts in (1, 2, 4, 8, 16):
            for points, ours, earcut in compare(path, parts):
                print(f"{path.stem:<20} {parts:>5} {points:>7} {ours:>9.3f} {ours * 1e3 / points:>9.3f} "
                      f"{earcut:>10.3f} {ours / earcut:>7.2f}")


def main(files):
    if files[:1] == ["--growth"]:
        return growth(files[1:])
    files = [Path(f) for f in files] or sorted((ROOT / "tests/data/realworld").glob("*.json"))
    print(f"{'polygon':<28} {'points':>7} {'ours ms':>9} {'earcut ms':>10} {'ratio':>7}")
    total_ours = total_earcut = 0.0
    for path in files:
        for points, ours, earcut in compare(path):
            total_ours += ours
            total_earcut += earcut
            print(f"{path.stem:<28} {points:>7} {ours:>9.4f} {earcut:>10.4f} {ours / earcut:>7.2f}")
    print(f"{'total':<28} {'':>7} {total_ours:>9.4f} {total_earcut:>10.4f} {total_ours / total_earcut:>7.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
