// Side by side in one run, on the same rings: the package's decomposition against
// earcut (triangles) and, on outlines without holes, poly-decomp (convex pieces,
// quickDecomp); the package's weld against meshoptimizer's position remap. Inputs:
// the real polygons of tests/data/realworld and generated shapes. Prints the median
// time of a call, the ratio to ours and the pieces each gives.
//   node bench/bench.mjs            (--smoke: every call once, for a check that it runs)
import {readFileSync, readdirSync} from 'node:fs';
import earcut from 'earcut';
import {MeshoptSimplifier} from 'meshoptimizer';
import decomp from 'poly-decomp';

import {decompose, weld} from '../index.js';

const SMOKE = process.argv.includes('--smoke');

// The median of repeated calls (at least 5, up to 0.3 s in all), in milliseconds.
function time(call) {
    let result = call();
    if (SMOKE) return {ms: NaN, result};
    const runs = [];
    for (let total = 0; runs.length < 5 || (total < 300 && runs.length < 1000);) {
        const start = performance.now();
        result = call();
        runs.push(performance.now() - start);
        total += runs[runs.length - 1];
    }
    runs.sort((a, b) => a - b);
    return {ms: runs[runs.length >> 1], result};
}

// The rings of the first cross section of a set document: outline, then holes.
function readShape(path) {
    const [points, sections] = JSON.parse(readFileSync(path, 'utf8')).Outlines;
    const ring = (indices) => new Float64Array(indices.flatMap((i) => points[i]));
    const entries = sections[0];
    return {outline: ring(entries.find((e) => e[1])[0]), holes: entries.filter((e) => !e[1]).map((e) => ring(e[0]))};
}

const circle = (n, radius, cx = 0, cy = 0, turn = 1) => new Float64Array(Array.from({length: n}, (_, k) => {
    const a = turn * 2 * Math.PI * k / n;
    return [cx + radius(k) * Math.cos(a), cy + radius(k) * Math.sin(a)];
}).flat());
function comb(teeth) {
    const top = [];
    for (let t = teeth - 1; t >= 0; --t) top.push(3 * t + 2, 10, 3 * t + 2, 1, 3 * t + 1, 1, 3 * t + 1, 10, 3 * t, 10);
    return new Float64Array([0, 0, 3 * teeth, 0, ...top.slice(0, -2), 0, 10]);
}
function plate(k) {  // a square with k * k square holes (clockwise)
    const holes = [];
    for (let i = 0; i < k; ++i)
        for (let j = 0; j < k; ++j) {
            const [x, y] = [3 * i + 1, 3 * j + 1];
            holes.push(new Float64Array([x, y, x, y + 1, x + 1, y + 1, x + 1, y]));
        }
    return {outline: new Float64Array([0, 0, 3 * k, 0, 3 * k, 3 * k, 0, 3 * k]), holes};
}
const data = new URL('../../tests/data/realworld/', import.meta.url);
const shapes = [
    ...readdirSync(data).filter((f) => f.endsWith('.json')).sort()
        .map((f) => ({name: f.slice(0, -5), ...readShape(new URL(f, data))})),
    {name: 'star 100', outline: circle(100, (k) => (k % 2 ? 4 : 10)), holes: []},
    {name: 'star 2000', outline: circle(2000, (k) => (k % 2 ? 4 : 10)), holes: []},
    {name: 'comb 100', outline: comb(100), holes: []},
    {name: 'comb 1000', outline: comb(1000), holes: []},
    {name: 'circle 64 with 16 holes', outline: circle(64, () => 100),
     holes: Array.from({length: 16}, (_, h) => circle(8, () => 4, 60 * Math.cos(h * 0.39), 60 * Math.sin(h * 0.39),
                                                      -1))},
    {name: 'plate 10x10 holes', ...plate(10)},
    {name: 'plate 30x30 holes', ...plate(30)},
];

const f = (ms) => (Number.isNaN(ms) ? '-' : ms < 1 ? ms.toFixed(3) : ms.toFixed(1));
const ratio = (a, b) => (Number.isNaN(a) ? '-' : (a / b).toFixed(2));
const rows = [['shape', 'vertices', 'holes', 'ours ms', 'pieces', 'merged ms', 'pieces', 'earcut ms', 'triangles',
               'earcut/ours', 'poly-decomp ms', 'pieces', 'poly-decomp/ours']];
const sums = {ours: 0, earcut: 0, ourPieces: 0, triangles: 0, merged: 0, mergedPieces: 0};
for (const {name, outline, holes} of shapes) {
    const vertices = (outline.length + holes.reduce((n, h) => n + h.length, 0)) / 2;
    const ours = time(() => decompose(outline, holes));
    const merged = time(() => decompose(outline, holes, {merge: true}));
    const flat = new Float64Array(vertices * 2), holeIndex = [];
    flat.set(outline);
    let at = outline.length;
    for (const h of holes) { holeIndex.push(at / 2); flat.set(h, at); at += h.length; }
    const cut = time(() => earcut(flat, holeIndex));
    let poly = {ms: NaN, result: null};
    if (!holes.length && vertices <= 5000) {
        const polygon = Array.from({length: vertices}, (_, k) => [outline[2 * k], outline[2 * k + 1]]);
        decomp.makeCCW(polygon);
        const warn = console.warn;
        console.warn = () => {};  // quickDecomp reports every time it reaches its recursion limit
        try {
            poly = time(() => decomp.quickDecomp(polygon));
        } finally {
            console.warn = warn;
        }
        // quickDecomp stops at its recursion limit: mark pieces that leave some of the shape uncovered.
        const area = (ring) => ring.reduce((sum, [x, y], k) => {
            const [u, v] = ring[(k + 1) % ring.length];
            return sum + x * v - u * y;
        }, 0);
        const covered = poly.result.reduce((sum, p) => sum + area(p), 0);
        poly.incomplete = Math.abs(covered - area(polygon)) > 1e-9 * Math.abs(area(polygon));
    }
    rows.push([name, vertices, holes.length, f(ours.ms), ours.result.pieces.length, f(merged.ms),
               merged.result.pieces.length, f(cut.ms), cut.result.length / 3, ratio(cut.ms, ours.ms),
               ...(poly.result ? [f(poly.ms), poly.result.length + (poly.incomplete ? '*' : ''), ratio(poly.ms, ours.ms)]
                               : ['', '', ''])]);
    if (!name.includes(' ')) {  // the real polygons
        sums.ours += ours.ms; sums.earcut += cut.ms; sums.merged += merged.ms;
        sums.ourPieces += ours.result.pieces.length; sums.mergedPieces += merged.result.pieces.length;
        sums.triangles += cut.result.length / 3;
    }
}
rows.push(['all real polygons', '', '', f(sums.ours), sums.ourPieces, f(sums.merged), sums.mergedPieces, f(sums.earcut),
           sums.triangles, ratio(sums.earcut, sums.ours), '', '', '']);

// Welding a triangle soup (every triangle with its own three corners) of an n x n
// grid: ours merges positions closer than 1e-4; meshoptimizer's remap merges equal
// ones, here the same (a remap, the indices renumbered, the kept positions counted).
await MeshoptSimplifier.ready;
const weldRows = [['grid', 'corners', 'ours ms', 'kept', 'meshoptimizer ms', 'kept', 'meshoptimizer/ours']];
for (const n of [32, 256]) {
    const soup = new Float32Array(n * n * 18);
    let k = 0;
    for (let i = 0; i < n; ++i)
        for (let j = 0; j < n; ++j)
            for (const [a, b] of [[0, 0], [1, 0], [1, 1], [0, 0], [1, 1], [0, 1]]) soup.set([i + a, j + b, 0], 3 * k++);
    const corners = Uint32Array.from({length: k}, (_, c) => c);
    const ours = time(() => weld(soup, corners));
    const meshopt = time(() => {
        const remap = MeshoptSimplifier.generatePositionRemap(soup, 3);
        const [indices, kept] = MeshoptSimplifier.compactMesh(corners.map((c) => remap[c]));
        return {indices, kept};
    });
    weldRows.push([`${n} x ${n}`, k, f(ours.ms), ours.result.positions.length / 3, f(meshopt.ms), meshopt.result.kept,
                   ratio(meshopt.ms, ours.ms)]);
}

const print = (table) => {
    const widths = table[0].map((_, c) => Math.max(...table.map((r) => String(r[c]).length)));
    for (const r of table) console.log(r.map((v, c) => String(v)[c ? 'padStart' : 'padEnd'](widths[c])).join('  '));
    console.log();
};
console.log(`Node ${process.version}; median of repeated calls; ratios above 1: ours is faster.\n`);
print(rows);
console.log('* poly-decomp left some of the shape uncovered (quickDecomp stops at its recursion limit).\n');
print(weldRows);
