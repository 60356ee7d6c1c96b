// The package against the data the C++ and Python tests share (tests/data): pieces,
// bridge points, documents and dumps as the native library gives them, bit for bit.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readFileSync, readdirSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {test} from 'node:test';
import {fileURLToPath} from 'node:url';

import {CrossSections, decompose, weld} from '../index.js';

const DATA = new URL('../../tests/data/', import.meta.url);
const read = (path) => readFileSync(new URL(path, DATA), 'utf8');
const CASES = JSON.parse(read('cross_sections/decomposition.json'));
const DOCUMENTS = JSON.parse(read('cross_sections/documents.json')).filter((c) => !c.reads && !c.before && typeof c.factor !== 'string');
const REALWORLD = readdirSync(new URL('realworld/', DATA)).filter((f) => f.endsWith('.json'));
const GOLDEN = new Map(read('cross_sections/golden.txt').split('\n').map((l) => [l.slice(0, l.indexOf(' ')), l.slice(l.indexOf(' ') + 1)]));
const TOOL = process.env.SHAPEEXPORT_TOOL;  // the native tool, to compare the dump and the picture with
const text = (indices, flags) => Array.from(indices, (i, k) => i + (!flags || flags[k] ? '' : "'")).join(' ');
const texts = (d) => d.pieces.map((p, k) => text(p, d.exterior[k]));
const at = (ring, k) => ring[(k + ring.length) % ring.length];
const area = (xy, ring) => ring.reduce((sum, i, k) => sum + (xy[2 * i] * xy[2 * at(ring, k + 1) + 1] - xy[2 * at(ring, k + 1)] * xy[2 * i + 1]) / 2, 0);
const turn = (xy, a, v, b) => (xy[2 * v] - xy[2 * a]) * (xy[2 * b + 1] - xy[2 * v + 1]) - (xy[2 * v + 1] - xy[2 * a + 1]) * (xy[2 * b] - xy[2 * v]);
const document = (c) => JSON.stringify({Outlines: [c.points, [[[c.outline.split(' ').map(Number), true],
    ...c.holes.map((h) => [h.split(' ').map(Number).reverse(), false])]]]});
const each = (json, check, options) => {
    const set = CrossSections.fromJSON(json, options);
    try { check(set); } finally { set.dispose(); }
};

test('real polygons: piece counts and hashes of pieces and bridge points as golden.txt records them', () => {
    for (const file of REALWORLD) each(read(`realworld/${file}`), (set) => {  // FNV-1a, as tests/cross_sections/GoldenTest.cpp
        let hash = 14695981039346656037n, pieces = 0;
        const mix = (bytes) => bytes.forEach((b) => { hash = ((hash ^ BigInt(b)) * 1099511628211n) & 0xffffffffffffffffn; });
        for (let i = 0; i < set.length; ++i) {
            const d = set.decompose(i);
            pieces += d.pieces.length;
            texts(d).forEach((t) => mix(new TextEncoder().encode(t + '\0')));
            d.added.forEach((a) => mix(new Uint8Array(d.positions.buffer, 16 * a, 16)));
        }
        assert.equal(`${pieces} ${hash.toString(16)}`, GOLDEN.get(`realworld/${file.slice(0, -5)}`), file);
    });
});

test('decomposition cases: pieces, flags and bridge points, from a document and from arrays', () => {
    for (const c of CASES.filter((c) => c.convex)) each(document(c), (set) => {
        const d = set.decompose(0), n = c.points.length, rings = [c.outline, ...c.holes].map((r) => r.split(' ').map(Number));
        assert.deepEqual([texts(d), Array.from(d.positions.subarray(2 * n))], [c.convex, c.added.flat()], c.name);
        assert.deepEqual(Array.from(d.added).sort((a, b) => a - b), c.added.map((_, k) => n + k), c.name);
        if (rings.flat().every((i, k) => i === k)) {  // the arrays number the positions alike
            const [outline, ...holes] = rings.map((r) => new Float64Array(r.flatMap((i) => c.points[i])));
            const direct = decompose(outline, holes, {fixOrientation: false});
            assert.deepEqual([texts(direct), direct.positions], [c.convex, d.positions], c.name);
        }
    });
});

test('merged pieces are convex, within the bound and tile the shape', () => {
    for (const c of CASES.filter((c) => !c.invalid)) each(document(c), (set) => {
        const {outline, holes} = set.item(0);
        for (const o of [{merge: true}, {clean: true}, {maxVertices: 3}, {merge: true, clean: true, maxVertices: 4}]) {
            const {positions: xy, pieces} = set.decompose(0, o), name = `${c.name} ${JSON.stringify(o)}`;
            const whole = area(xy, outline) + holes.reduce((sum, h) => sum + area(xy, h), 0);
            assert.ok(Math.abs(pieces.reduce((sum, p) => sum + area(xy, p), 0) - whole) < 1e-9 * (1 + whole), name);
            for (const p of pieces) {
                assert.ok(p.length <= (o.maxVertices || p.length), name);
                p.forEach((v, k) => assert.ok(turn(xy, at(p, k - 1), v, at(p, k + 1)) > (o.clean ? 1e-9 : -1e-9), name));
            }
        }
    });
});

test('documents read, written and dumped as the native library does', () => {
    for (const c of DOCUMENTS) {
        if (!c.items.length || c.text.includes('\0')) {
            assert.throws(() => CrossSections.fromJSON(c.text), Error, c.name);
            continue;
        }
        each(c.text, (set) => {
            const items = Array.from({length: set.length}, (_, i) => set.item(i));
            assert.deepEqual(items.map((it) => [it.outline, ...it.holes].map((l) => text(l)).join(' | ')), c.items, c.name);
            if (c.points) assert.deepEqual(Array.from(set.positions), c.points.flat().map(Number), c.name);
            if (c.written) assert.equal(set.toJSON(), c.written, c.name);
            if (c.dump) assert.equal(set.dump(c.prefix), c.dump.map((l) => l + '\n').join(''), c.name);
            if (c.params) assert.deepEqual(set.parameters, Object.fromEntries(Object.entries(c.params).map(([k, v]) => [k, Number(v)])), c.name);
        }, {factor: c.factor ?? 1});
    }
});

test('weld cases of tests/data/meshes, from double and single precision', () => {
    const xyz = (list) => new Float64Array(list.flatMap((p) => (p ? p.map(Number) : [Infinity, Infinity, Infinity])));
    for (const c of JSON.parse(read('meshes/weld.json')).Cases) {
        const welded = weld(xyz(c.Positions), new Uint32Array(c.Corners));
        assert.deepEqual([welded.positions, Array.from(welded.indices)], [xyz(c.Welded), c.Indices], c.Name);
    }
    const quad = new Float32Array([0, 0, 0, 1, 0, 0, 1, 1, 0.1, 0, 0, 0, 1, 1, 0.1, 0, 1, 0]);
    assert.deepEqual(weld(quad, [0, 1, 2, 3, 4, 5]), {positions: new Float64Array([0, 0, 0, 1, 0, 0, 1, 1, Math.fround(0.1), 0, 1, 0]),
                                                      indices: new Uint32Array([0, 1, 2, 0, 2, 3])});
});

test('bad input is an Error with the library\'s message', () => {
    const square = CrossSections.fromJSON('{"Outlines": [[[0,0],[4,0],[4,4],[0,4]]]}');
    for (const [call, message] of [
        [() => CrossSections.fromJSON(''), /is empty/], [() => CrossSections.fromJSON('{'), /byte offset 1/],
        [() => CrossSections.fromJSON('{"a": 1}'), /not a cross-section document/],
        [() => CrossSections.fromJSON('['.repeat(100000)), /nested deeper than 512/],
        [() => CrossSections.fromJSON(square.toJSON(), {factor: 0}), /factor must be a finite number greater than 0/],
        [() => CrossSections.fromJSON(7), /text must be a string/], [() => square.decompose(1), /item 1 is not one of the 1/],
        [() => square.decompose(0, {maxVertices: 2}), /maxVertices must be 0/], [() => square.toSVG({maxVertices: 3.5}), /maxVertices/],
        [() => decompose(new Float64Array(3)), /outline must hold x, y pairs/], [() => decompose('0 0 1 0 1 1'), /typed array/],
        [() => decompose(new Float64Array(6), [new Float64Array(1)]), /holes\[0\] must hold/],
        [() => weld(new Float64Array(9), [0, 1, 2.5]), /indices\[2\] is not a whole number/],
        [() => weld(new Float64Array(8), new Uint32Array(0)), /divisible by 3/],
    ]) assert.throws(call, message);
    square.dispose();
    assert.throws(() => square.length, /disposed/);
});

test('dump and picture as the native tool writes them', {skip: !TOOL && 'SHAPEEXPORT_TOOL not set'}, () => {
    const run = (...args) => execFileSync(TOOL, args, {encoding: 'utf8'}), svg = join(mkdtempSync(join(tmpdir(), 'se-')), 'out.svg');
    for (const file of REALWORLD) each(read(`realworld/${file}`), (set) => {
        const path = fileURLToPath(new URL(`realworld/${file}`, DATA)), title = `Convex decomposition of ${path}`;
        assert.equal(set.dump(), run('dump', path), file);
        run('decompose', path, '--merge', '--max-vertices', '6', '--svg', svg);
        assert.equal(set.toSVG({merge: true, maxVertices: 6, title}), readFileSync(svg, 'utf8'), file);
    });
});
