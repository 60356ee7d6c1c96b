// The package against the data the C++ and Python tests share (tests/data): pieces,
// bridge points, documents and dumps as the native library gives them, bit for bit.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readFileSync, readdirSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {test} from 'node:test';

import {CrossSections, decompose, weld} from '../index.js';

const DATA = new URL('../../tests/data/', import.meta.url);
const read = (path) => readFileSync(new URL(path, DATA), 'utf8');
const CASES = JSON.parse(read('cross_sections/decomposition.json'));
const DOCUMENTS = JSON.parse(read('cross_sections/documents.json'))
    .filter((c) => !c.reads && !c.before && typeof c.factor !== 'string');
const REALWORLD = readdirSync(new URL('realworld/', DATA)).filter((f) => f.endsWith('.json'));
const GOLDEN = new Map(read('cross_sections/golden.txt').split('\n').filter((l) => l && !l.startsWith('#'))
    .map((l) => [l.slice(0, l.indexOf(' ')), l.slice(l.indexOf(' ') + 1)]));
const TOOL = process.env.SHAPEEXPORT_TOOL;  // the native tool, to compare the dump and the picture with
const SQUARE = '{"Outlines": [[[0,0],[4,0],[4,4],[0,4]]]}';
const text = (indices, flags) => Array.from(indices, (i, k) => i + (!flags || flags[k] ? '' : "'")).join(' ');
const texts = (d) => d.pieces.map((p, k) => text(p, d.exterior[k]));
const area = (xy, ring) => ring.reduce((sum, i, k) => {
    const j = ring[(k + 1) % ring.length];
    return sum + (xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1]) / 2;
}, 0);
const document = (c) => JSON.stringify({Outlines: [c.points, [[[c.outline.split(' ').map(Number), true],
    ...c.holes.map((h) => [h.split(' ').map(Number).reverse(), false])]]]});

// As tests/cross_sections/GoldenTest.cpp records them: the piece count and FNV-1a of
// every piece's text (with its terminating zero) and the bridge points' bytes.
function result(set) {
    let hash = 14695981039346656037n, pieces = 0;
    const mix = (bytes) => bytes.forEach((b) => { hash = ((hash ^ BigInt(b)) * 1099511628211n) & 0xffffffffffffffffn; });
    for (let i = 0; i < set.length; ++i) {
        const d = set.decompose(i);
        pieces += d.pieces.length;
        for (const t of texts(d)) mix(new TextEncoder().encode(t + '\0'));
        for (const a of d.added) mix(new Uint8Array(d.positions.buffer, 16 * a, 16));
    }
    return `${pieces} ${hash.toString(16)}`;
}

test('real polygons decompose as the native golden results', () => {
    assert.equal(REALWORLD.length, 48);
    for (const file of REALWORLD) {
        const set = CrossSections.fromJSON(read(`realworld/${file}`));
        assert.equal(result(set), GOLDEN.get(`realworld/${file.slice(0, -5)}`), file);
        set.dispose();
    }
});

test('decomposition cases: pieces, flags and bridge points', () => {
    for (const c of CASES.filter((c) => c.convex)) {
        const set = CrossSections.fromJSON(document(c)), d = set.decompose(0), n = c.points.length;
        assert.deepEqual(texts(d), c.convex, c.name);
        assert.deepEqual(Array.from(d.positions.subarray(2 * n)), c.added.flat(), c.name);
        assert.deepEqual(Array.from(d.added).sort((a, b) => a - b), c.added.map((_, k) => n + k), c.name);
        const rings = [c.outline, ...c.holes].map((r) => r.split(' ').map(Number));
        if (rings.flat().every((i, k) => i === k)) {  // the arrays number the positions alike
            const arrays = rings.map((r) => new Float64Array(r.flatMap((i) => c.points[i])));
            const direct = decompose(arrays[0], arrays.slice(1), {fixOrientation: false});
            assert.deepEqual([texts(direct), direct.positions], [c.convex, d.positions], c.name);
        }
        set.dispose();
    }
});

test('merged pieces are convex, within the bound and tile the shape', () => {
    const table = [{merge: true}, {clean: true}, {maxVertices: 3}, {merge: true, clean: true, maxVertices: 4}];
    for (const c of CASES.filter((c) => !c.invalid)) {
        const set = CrossSections.fromJSON(document(c)), {outline, holes} = set.item(0);
        for (const options of table) {
            const {positions: xy, pieces} = set.decompose(0, options), name = `${c.name} ${JSON.stringify(options)}`;
            const whole = area(xy, outline) + holes.reduce((sum, h) => sum + area(xy, h), 0);
            assert.ok(Math.abs(pieces.reduce((sum, p) => sum + area(xy, p), 0) - whole) < 1e-9 * (1 + whole), name);
            for (const p of pieces) {
                assert.ok(p.length <= (options.maxVertices || p.length), name);
                p.forEach((v, k) => {
                    const [a, b] = [p[(k + p.length - 1) % p.length], p[(k + 1) % p.length]];
                    const turn = (xy[2 * v] - xy[2 * a]) * (xy[2 * b + 1] - xy[2 * v + 1]) -
                                 (xy[2 * v + 1] - xy[2 * a + 1]) * (xy[2 * b] - xy[2 * v]);
                    assert.ok(turn > (options.clean ? 1e-9 : -1e-9), name);
                });
            }
        }
        set.dispose();
    }
});

test('documents read, written and dumped as the native library does', () => {
    for (const c of DOCUMENTS) {
        if (!c.items.length || c.text.includes('\0')) {
            assert.throws(() => CrossSections.fromJSON(c.text), Error, c.name);
            continue;
        }
        const set = CrossSections.fromJSON(c.text, {factor: c.factor ?? 1});
        const items = Array.from({length: set.length}, (_, i) => set.item(i));
        assert.deepEqual(items.map((it) => [it.outline, ...it.holes].map((l) => text(l)).join(' | ')), c.items, c.name);
        if (c.points) assert.deepEqual(Array.from(set.positions), c.points.flat().map(Number), c.name);
        if (c.written) assert.equal(set.toJSON(), c.written, c.name);
        if (c.dump) assert.equal(set.dump(c.prefix), c.dump.map((l) => l + '\n').join(''), c.name);
        if (c.params) assert.deepEqual(set.parameters, Object.fromEntries(Object.entries(c.params).map(([k, v]) => [k, Number(v)])), c.name);
        set.dispose();
    }
});

test('weld cases of tests/data/meshes', () => {
    const xyz = (list) => new Float64Array(list.flatMap((p) => (p ? p.map(Number) : [Infinity, Infinity, Infinity])));
    for (const c of JSON.parse(read('meshes/weld.json')).Cases) {
        const welded = weld(xyz(c.Positions), new Uint32Array(c.Corners));
        assert.deepEqual([welded.positions, Array.from(welded.indices)], [xyz(c.Welded), c.Indices], c.Name);
    }
    const quad = new Float32Array([0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0]);
    assert.deepEqual(Array.from(weld(quad, new Uint32Array([0, 1, 2, 3, 4, 5])).indices), [0, 1, 2, 0, 2, 3]);
});

test('bad input is an Error with the library\'s message', () => {
    const square = CrossSections.fromJSON(SQUARE);
    for (const [call, message] of [
        [() => CrossSections.fromJSON(''), /is empty/], [() => CrossSections.fromJSON('{'), /byte offset 1/],
        [() => CrossSections.fromJSON('{"a": 1}'), /not a cross-section document/],
        [() => CrossSections.fromJSON('['.repeat(100000)), /nested deeper than 512/],
        [() => CrossSections.fromJSON(SQUARE, {factor: 0}), /factor must be a finite number greater than 0/],
        [() => CrossSections.fromJSON(7), /text must be a string/],
        [() => square.decompose(0, {maxVertices: 2}), /maxVertices must be 0/],
        [() => square.decompose(0, {maxVertices: 3.5}), /maxVertices must be 0/],
        [() => square.decompose(1), /item 1 is not one of the 1 cross sections/],
        [() => decompose(new Float64Array(3)), /outline must hold x, y pairs/],
        [() => decompose(new Float64Array(6), [new Float64Array(1)]), /holes\[0\] must hold/],
        [() => decompose('0 0 1 0 1 1'), /outline must be a typed array/],
        [() => weld(new Float64Array(9), [0, 1, 2.5]), /indices\[2\] is not a whole number/],
        [() => weld(new Float64Array(8), new Uint32Array(0)), /divisible by 3/],
    ]) assert.throws(call, message);
    square.dispose();
    assert.throws(() => square.length, /disposed/);
});

test('dump and picture as the native tool writes them', {skip: !TOOL && 'SHAPEEXPORT_TOOL not set'}, () => {
    const dir = mkdtempSync(join(tmpdir(), 'shapeexport-'));
    for (const file of REALWORLD) {
        const path = join(dir, file), svg = join(dir, 'out.svg'), set = CrossSections.fromJSON(read(`realworld/${file}`));
        writeFileSync(path, read(`realworld/${file}`));
        assert.equal(set.dump(), execFileSync(TOOL, ['dump', path], {encoding: 'utf8'}), file);
        execFileSync(TOOL, ['decompose', path, '--merge', '--max-vertices', '6', '--svg', svg]);
        const title = `Convex decomposition of ${path}`;
        assert.equal(set.toSVG({merge: true, maxVertices: 6, title}), readFileSync(svg, 'utf8'), file);
        set.dispose();
    }
});
