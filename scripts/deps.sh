#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping those that
# are already there.
#   scripts/deps.sh            everything the tests, benchmarks and fuzzers need
#   scripts/deps.sh --build    only what the libraries and the tool need
#   scripts/deps.sh --windows  also what the Windows cross build and wine need
#   scripts/deps.sh --wasm     also what the WebAssembly build and the JavaScript
#                              package's tests need (with --build: only those)
# Further package names may be passed as arguments.
set -euo pipefail

build_packages=(
    build-essential cmake pkg-config
    rapidjson-dev libfast-float-dev libassimp-dev libcli11-dev libutfcpp-dev
)
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libmeshoptimizer-dev libcgal-dev libbox2d-dev
    clang libclang-rt-14-dev
    pybind11-dev python3-dev python3-numpy python3-pytest python3-mapbox-earcut
    python3-venv python3-pip python3-setuptools python3-wheel
)
windows_packages=(
    g++-mingw-w64-x86-64-posix wine wine64 googletest
)
# Emscripten's optimizer loads acorn from /usr/share/nodejs (NODE_PATH); chromium
# runs the page's test headless.
wasm_packages=(
    emscripten node-acorn nodejs chromium
)

packages=("${build_packages[@]}")
with_tests=1
with_wasm=0
extra=()
for arg in "$@"; do
    case "$arg" in
        --build) with_tests=0 ;;
        --windows) extra+=("${windows_packages[@]}") ;;
        --wasm) with_wasm=1 ;;
        *) extra+=("$arg") ;;
    esac
done
[ "$with_tests" = 1 ] && packages+=("${test_packages[@]}") && with_wasm=1
if [ "$with_wasm" = 1 ]; then
    packages+=("${wasm_packages[@]}")
    command -v npm >/dev/null || packages+=(npm)  # Debian's; other Node.js builds bring their own
fi
packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
