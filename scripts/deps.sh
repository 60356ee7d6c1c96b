#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping those that
# are already there. Extra package names may be passed as arguments; --windows adds
# what the Windows cross build and its tests under wine need (scripts/test-windows.sh).
set -euo pipefail

windows_packages=(
    g++-mingw-w64-x86-64-posix wine wine64 googletest
)

packages=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    rapidjson-dev nlohmann-json3-dev
    libassimp-dev libcli11-dev libmeshoptimizer-dev zlib1g-dev
    chromium fonts-dejavu-core
)
for arg in "$@"; do
    if [ "$arg" = --windows ]; then
        packages+=("${windows_packages[@]}")
    else
        packages+=("$arg")
    fi
done

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
