#!/usr/bin/env python3
"""Writes the real polygons of tests/data/realworld as seeds of the geometry fuzzer
(fuzz/corpus/fuzz_geometry/real_<name>): family 5, unchanged, each ring as its
count and its points' doubles, the outline first, as a set reads them (a hole's
list is stored reversed) (fuzz/HarnessGeometry.h)."""
import json, pathlib, struct

root = pathlib.Path(__file__).resolve().parents[1]
for path in sorted((root / "tests/data/realworld").glob("*.json")):
    positions, items = json.load(open(path))["Outlines"]
    seed = bytes([5, 0, 0, 0])
    for number, (ring, _exterior) in enumerate(items[0]):
        ring = ring if number == 0 else ring[::-1]
        seed += struct.pack("<H", len(ring))
        seed += b"".join(struct.pack("<dd", *positions[i]) for i in ring)
    (root / "fuzz/corpus/fuzz_geometry" / f"real_{path.stem}").write_bytes(seed)
