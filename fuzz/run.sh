#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS_PER_TARGET seconds (default 180) on a copy of its seed corpus.
# Exits non-zero on any crash, sanitizer report, leak or hang (timeout 10 s).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}

scripts/deps.sh clang libclang-rt-14-dev

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSHAPEEXPORT_BUILD_FUZZERS=ON -DSHAPEEXPORT_BUILD_TESTS=OFF -DSHAPEEXPORT_BUILD_TOOLS=OFF \
    -DSHAPEEXPORT_BUILD_BENCHMARKS=OFF > "$build.configure.log"
cmake --build "$build" -j "$(nproc)"

status=0
for fuzzer in "$build"/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus" "$build/artifacts/$name"
    [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    echo "== $name: ${seconds}s"
    if ! "$fuzzer" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$build/artifacts/$name/" -print_final_stats=1 2> "$build/$name.log"; then
        echo "$name FAILED; see $build/$name.log and $build/artifacts/$name/"
        tail -n 40 "$build/$name.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units|Done' "$build/$name.log" | tail -n 2
    fi
done
exit $status
