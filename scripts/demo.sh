#!/usr/bin/env bash
# Builds the library and the tool (nothing else) and runs the library's main job:
# the command-line tool decomposes its built-in example into convex pieces and
# draws them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --build
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target shapeexport

# The built-in example: an I-beam, a hollow tube, a plate with holes and an L angle.
build/release/tools/shapeexport decompose -o build/example.json --svg build/example.svg
echo "Wrote build/example.json and build/example.svg"
