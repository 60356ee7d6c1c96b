"""The example of README.md's "From Python": a plate with round holes and a T section,
built with NumPy, decomposed into convex pieces and drawn.

    .venv/bin/python examples/python_example.py docs/python_example.svg
    rsvg-convert docs/python_example.svg -o docs/python_example.png
"""
import json
import sys

import numpy as np

import shapeexport as se


def circle(cx, cy, r, n):  # clockwise, as holes run
    a = -np.linspace(0, 2 * np.pi, n, endpoint=False)
    return np.c_[cx + r * np.cos(a), cy + r * np.sin(a)]


plate = np.array([[0, 0], [120, 0], [120, 60], [0, 60]], float)
holes = [circle(25, 30, 13, 20), circle(62, 22, 8, 14), circle(95, 35, 10, 16)]
tee = np.array([[0, 0], [40, 0], [40, 8], [24, 8], [24, 60], [16, 60], [16, 8], [0, 8]], float) + [150, 0]
loops, points = [], np.vstack([plate, *holes, tee])
for part in [plate, *holes, tee]:
    start = sum(len(loop) for loop in loops)
    loops.append(list(range(start, start + len(part))))
# Document form: interior index lists are stored reversed.
plate_item = [[loops[0], True]] + [[loop[::-1], False] for loop in loops[1:4]]
document = {"Outlines": [points.tolist(), [plate_item, [[loops[4], True]]]]}

s = se.CrossSections.loads(json.dumps(document))
s.name = "a plate with three holes and a T section"
for i, item in enumerate(s.items):
    pieces = item.convex_loops()
    merged = item.convex_loops(merge=True, clean=True)
    print(f"item {i}: {len(pieces)} convex pieces, {len(merged)} merged, {len(item.added)} bridge points")
if len(sys.argv) > 1:
    with open(sys.argv[1], "w", encoding="utf-8") as out:
        out.write(s._repr_svg_())
