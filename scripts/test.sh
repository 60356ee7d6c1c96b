#!/usr/bin/env bash
# Builds everything and runs every test: the default build, then the whole suite
# again under AddressSanitizer + UndefinedBehaviorSanitizer, then the 64-bit Windows
# build under wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/deps.sh

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

# The same suite on the 64-bit Windows build, under wine.
scripts/test-windows.sh
