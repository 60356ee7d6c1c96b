#!/usr/bin/env bash
# Builds the WebAssembly module (scripts/build-wasm.sh) and tests the JavaScript
# package: its Node tests over the golden data of tests/data, the page in headless
# chromium, and the packed package installed into a fresh folder and used there; the
# benchmark (js/bench) runs once as a check.
set -euo pipefail
cd "$(dirname "$0")/.."

phase() { printf '== %s: %ds\n' "$1" "$2"; }

start=$SECONDS
scripts/build-wasm.sh
(cd js && npm ci --no-audit --no-fund --loglevel=error)
phase "wasm build" $((SECONDS - start))

start=$SECONDS
(cd js && node --test test/)
(cd js && node page/test-page.mjs)
(cd js && node bench/bench.mjs --smoke >/dev/null)  # the benchmark still runs (every call once)
phase "wasm tests and page" $((SECONDS - start))

start=$SECONDS
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd js && npm pack --silent --pack-destination "$tmp" >/dev/null)
(cd "$tmp" && npm init -y >/dev/null && npm install --no-audit --no-fund --loglevel=error ./shapeexport-*.tgz)
(cd "$tmp" && node --input-type=module -e "
import {decompose} from 'shapeexport';
const d = decompose(new Float64Array([0, 0, 2, 0, 2, 1, 1, 1, 1, 2, 0, 2]));
if (d.pieces.length !== 2) throw new Error('the L shape gave ' + d.pieces.length + ' pieces');
console.log('installed package: the L shape in', d.pieces.length, 'pieces');")
phase "wasm package" $((SECONDS - start))
