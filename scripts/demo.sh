#!/usr/bin/env bash
# Builds everything and runs the library's main job: the command-line tool
# decomposes its built-in example into convex pieces and draws them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"

tool=build/default/tools/shapeexport
if [ ! -x "$tool" ]; then
    echo "The command-line tool is not built yet."
    exit 0
fi
"$tool" decompose -o build/example.json --svg build/example.svg
echo "Wrote build/example.json and build/example.svg"
