#!/usr/bin/env bash
# Cross-builds the libraries (ShapeExport, KorDom), the tests and the example host
# as 64-bit Windows binaries with mingw-w64 (preset `windows`, build/windows) and
# runs the whole test suite under wine, in a wine prefix of its own inside the
# build folder. The benchmarks and the command-line tool are not cross-built.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/deps.sh --windows

phase() { printf '== %s: %ds\n' "$1" "$2"; }

start=$SECONDS
cmake --preset windows
cmake --build --preset windows -j "$jobs"
phase "windows build" $((SECONDS - start))

export WINEPREFIX="$PWD/build/windows/wine"
export WINEDEBUG=-all
start=$SECONDS
mkdir -p "$WINEPREFIX"
# One wine server for the whole run: without it each test waits for the server
# of the previous one to shut down, or starts a new one.
wineserver -p
trap 'wineserver -k || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i
fi
phase "wine prefix" $((SECONDS - start))

start=$SECONDS
ctest --preset windows -j "$jobs"
phase "windows tests" $((SECONDS - start))
