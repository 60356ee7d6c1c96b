#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS_PER_TARGET seconds (default 180), or for FUZZ_RUNS executions when that
# is set (a long campaign: FUZZ_RUNS=10000000 nice fuzz/run.sh), one after the other, on a corpus in
# build/fuzz/corpus/<target> that starts from its seed inputs (fuzz/corpus/<target>)
# and the inputs kept from earlier failures (tests/regressions/inputs/<target>),
# with the dictionary fuzz/<target>.dict when there is one, and the seed FUZZ_SEED
# (default 1).
# Exits non-zero on any crash, sanitizer report, failed check, leak, out-of-memory
# (4 GB) or hang (timeout 60 s: the geometry target's real polygons take seconds
# under the sanitizers, through the quadratic simple steps it compares with); the
# failing input is left in build/fuzz/artifacts.
#
# A failing input is kept as a regression input once minimised and fixed:
#   build/fuzz/fuzz/<target> -minimize_crash=1 -runs=100000 \
#       -exact_artifact_path=tests/regressions/inputs/<target>/<name> <crash file>
# tests/regressions replays it through the same harness (fuzz/Harness*.h).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}

scripts/deps.sh

build=build/fuzz
mkdir -p "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSHAPEEXPORT_BUILD_FUZZERS=ON -DSHAPEEXPORT_BUILD_TESTS=OFF -DSHAPEEXPORT_BUILD_TOOLS=OFF \
    -DSHAPEEXPORT_BUILD_BENCHMARKS=OFF > "$build.configure.log"
cmake --build "$build" -j "$(nproc)"

status=0
for fuzzer in "$build"/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus" "$build/artifacts/$name"
    for seeds in "fuzz/corpus/$name" "tests/regressions/inputs/$name"; do
        [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    done
    # A fixed seed unless FUZZ_SEED says otherwise (0: libFuzzer picks one), so that a
    # run from a fresh corpus repeats the start of any longer run with the same seed:
    # a clean long run here means a clean short run in CI.
    options=(-seed="${FUZZ_SEED:-1}")
    [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
    if [ -n "${FUZZ_RUNS:-}" ]; then
        options+=(-runs="$FUZZ_RUNS")
        echo "== $name: $FUZZ_RUNS executions"
    else
        options+=(-max_total_time="$seconds")
        echo "== $name: ${seconds}s"
    fi
    if ! "$fuzzer" "$corpus" "${options[@]}" -timeout=60 -rss_limit_mb=4096 \
        -artifact_prefix="$build/artifacts/$name/" -print_final_stats=1 2> "$build/$name.log"; then
        echo "$name FAILED; see $build/$name.log and $build/artifacts/$name/"
        tail -n 40 "$build/$name.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units|Done' "$build/$name.log" | tail -n 2
    fi
done
exit $status
