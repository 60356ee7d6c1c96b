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
# One wine server for the whole run: without it every test starts a server and
# its services, and ctest waits for them to shut down before the next test.
wineserver -p || true  # fails only when a server for this prefix is already running
trap 'wineserver -k || true' EXIT
# Boot the prefix (creating it on the first run) before the tests: the services
# that booting starts live as long as the server, and if a test started them they
# would keep that test's output pipe open and ctest would wait for it forever.
boot_log=build/windows/wineboot.log
if [ -f "$WINEPREFIX/system.reg" ]; then boot=(wineboot); else boot=(wineboot -i); fi
if ! "${boot[@]}" </dev/null >"$boot_log" 2>&1; then
    cat "$boot_log"
    exit 1
fi
phase "wine prefix" $((SECONDS - start))

start=$SECONDS
# Under wine a program now and then exits at start-up with no output (seen once in
# many runs, on listing the tests of a program that passed the run before). The test
# lists, which CTest finds once per program and keeps, get up to three tries; the
# tests themselves run once.
for try in 1 2 3; do
    ctest --preset windows -N >build/windows/discovery.log 2>&1 && break
    if [ "$try" = 3 ]; then
        cat build/windows/discovery.log
        exit 1
    fi
done
# The same start-up failure hits a test now and then (twice in five runs of the whole
# suite, each time another test, which then passed alone): failed tests run once more,
# so that only a test failing twice fails the build.
ctest --preset windows -j "$jobs" || ctest --preset windows --rerun-failed --output-on-failure
phase "windows tests" $((SECONDS - start))
