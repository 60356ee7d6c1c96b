#!/usr/bin/env bash
# Builds everything and runs every test: the default build, the Python module (built
# and installed into build/python-venv as README.md says) and its tests, the WebAssembly
# build and the JavaScript package (scripts/test-wasm.sh), then the whole
# suite again under AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer
# included), the thread test under ThreadSanitizer, then a short run of every libFuzzer
# target (fuzz/run.sh, FUZZ_SECONDS each), then the 64-bit Windows build under wine
# (scripts/test-windows.sh).

# Seconds of fuzzing per libFuzzer target; 0 skips fuzzing.
FUZZ_SECONDS=${FUZZ_SECONDS:-60}

set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

phase() { printf '== %s: %ds\n' "$1" "$2"; }

scripts/deps.sh

start=$SECONDS
cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
phase "default build and tests" $((SECONDS - start))

# Debian's Python (where python3-numpy is), not one earlier in PATH. The tool of the
# default build checks that the module writes and draws what the tool does.
start=$SECONDS
venv=build/python-venv
[ -x "$venv/bin/python" ] || /usr/bin/python3 -m venv --system-site-packages "$venv"
CMAKE_BUILD_PARALLEL_LEVEL=$jobs "$venv/bin/pip" install --quiet --disable-pip-version-check --no-build-isolation ./python
SHAPEEXPORT_TOOL=$PWD/build/default/tools/shapeexport "$venv/bin/python" -m pytest -q -p no:cacheprovider python/tests
phase "python module" $((SECONDS - start))

# The WebAssembly build and the JavaScript package (js/).
start=$SECONDS
scripts/test-wasm.sh
phase "wasm and javascript package" $((SECONDS - start))

start=$SECONDS
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
phase "asan build and tests" $((SECONDS - start))

start=$SECONDS
cmake --preset tsan
cmake --build --preset tsan -j "$jobs" --target test_threads
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/tests/threads/test_threads
phase "tsan build and thread test" $((SECONDS - start))

if [ "$FUZZ_SECONDS" -gt 0 ]; then
    start=$SECONDS
    fuzz/run.sh "$FUZZ_SECONDS"
    phase "fuzzing" $((SECONDS - start))
fi

# The same suite on the 64-bit Windows build, under wine.
start=$SECONDS
scripts/test-windows.sh
phase "windows" $((SECONDS - start))
