#!/usr/bin/env bash
# Renders the built-in example's SVG with headless Chromium into docs/example.png
# (the picture in the README). Needs the release build (scripts/demo.sh); installs chromium.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --build chromium fonts-dejavu-core
tool=build/release/tools/shapeexport
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tool" decompose -o "$work/example.json" --svg "$work/example.svg" >/dev/null
size=$(sed -n 's/.*<svg [^>]*width="\([0-9]*\)[.0-9]*" height="\([0-9]*\)[.0-9]*".*/\1,\2/p' "$work/example.svg")
mkdir -p docs
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --hide-scrollbars --user-data-dir="$work/profile" \
    --screenshot="$PWD/docs/example.png" --window-size="$size" "file://$work/example.svg" >"$work/chromium.log" 2>&1 ||
    { cat "$work/chromium.log" >&2; exit 1; }
echo "Wrote docs/example.png ($size)"
