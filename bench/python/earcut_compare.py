"""The convex decomposition side by side with mapbox_earcut's triangulation of the
same rings: the real polygons of tests/data/realworld (or the set documents named).
Both sides start from points in memory; only the decomposition (convex_loop_array)
and the triangulation (triangulate_float64) are timed, each the best of several
runs taken in turn.
With --growth, the same for the largest polygons with every edge cut into 1, 2, 4,
8 and 16 equal parts: how the cost grows with the points of one real outline.

    build/python-venv/bin/python bench/python/earcut_compare.py [--in-a-row] [--growth] [FILE.json ...]

By default the two sides' runs take turns, so each starts on caches the other left;
with --in-a-row each side's runs follow one another, on caches it warmed itself.
"""
import sys
import time
from pathlib import Path

import mapbox_earcut
import numpy as np

import shapeexport as se

ROOT = Path(__file__).resolve().parents[2]
IN_TURN = True


def best_ms(runs, budget=0.4, least=5):
    """The shortest time of each of the (run, prepare) pairs, taken in turn, at least
    `least` rounds and `budget` seconds in all: side by side, so that the machine's
    slower moments fall on both."""
    best, spent, rounds = [float("inf")] * len(runs), 0.0, 0
    while rounds < least or spent < budget:
        for k, (run, prepare) in enumerate(runs):
            prepare()
            start = time.perf_counter()
            run()
            took = time.perf_counter() - start
            best[k], spent = min(best[k], took), spent + took
        rounds += 1
    return [b * 1e3 for b in best]


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
        # Both sides hand back flat arrays: the pieces as (rows, starts), the triangles as indices.
        pieces = ours.items[0]
        sides = [(pieces.convex_loop_array, ours.reset_convex_loops),
                 (lambda: mapbox_earcut.triangulate_float64(vertices, ends), lambda: None)]
        rows.append((len(vertices), *(best_ms(sides) if IN_TURN else [best_ms([side])[0] for side in sides])))
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
    global IN_TURN
    if files[:1] == ["--in-a-row"]:  # each side's runs one after the other, on caches it warmed itself
        IN_TURN, files = False, files[1:]
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
