#!/usr/bin/env bash
# Builds the WebAssembly module of the JavaScript package (preset wasm: Emscripten
# from Debian, build/wasm) into js/dist/, installing what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --build --wasm
export NODE_PATH=/usr/share/nodejs  # Emscripten's optimizer needs acorn from there
cmake --preset wasm
cmake --build --preset wasm -j "${JOBS:-$(nproc)}"
