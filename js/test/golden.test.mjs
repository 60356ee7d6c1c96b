// The package against the data the C++ and Python tests share (tests/data): pieces,
// bridge points, documents, dumps and pictures as the native library gives them, bit
// for bit.
import assert from 'node:assert/strict';
import {readFileSync, readdirSync} from 'node:fs';
import {test} from 'node:test';

import {CrossSections, decompose, weld} from '../index.js';

const DATA = new URL('../../tests/data/', import.meta.url);
const read = (path) => readFileSync(new URL(path, DATA), 'utf8');
const CASES = JSON.parse(read('cross_sections/decomposition.json')).filter((c) => c.convex);
const DOCUMENTS = JSON.parse(read('cross_sections/documents.json'))
    .filter((c) => !c.reads && !c.before && typeof c.factor !== 'string');
const REALWORLD = readdirSync(new URL('realworld/', DATA)).filter((f) => f.endsWith('.json'));
// Per shape: its name, then the pieces' count and hash as decomposed (before those of the pieces merged).
const GOLDEN = new Map(read('cross_sections/golden.txt').split('\n').map((l) => [l.split(' ')[0], l.split(' ', 3).slice(1).join(' ')]));
const text = (indices, flags) => Array.from(indices, (i, k) => i + (!flags || flags[k] ? '' : "'")).join(' ');
const texts = (d) => d.pieces.map((p, k) => text(p, d.exterior[k]));
const numbers = (list) => list.split(' ').map(Number);
const document = (c) => JSON.stringify({Outlines: [c.points, [[[numbers(c.outline), true],
    ...c.holes.map((h) => [numbers(h).reverse(), false])]]]});
// The checks on the set read from the text, which is then freed (a failed check leaves it to the collector).
const each = (json, check, options) => { const set = CrossSections.fromJSON(json, options); check(set); set.dispose(); };

// FNV-1a of every piece's text and every bridge point's bytes, as tests/cross_sections/GoldenTest.cpp; before
// that, the text written back: each position as the shortest text that reads back as the same double.
test('real polygons: golden.txt\'s piece counts and hashes of pieces and bridge points; numbers written back', () => {
    for (const file of REALWORLD) each(read(`realworld/${file}`), (set) => {
        const tokens = set.toJSON().split('"Outlines":')[1].match(/-?[\d.]+(e[-+]\d+)?/g).slice(0, set.positions.length);
        assert.deepEqual(tokens.map(Number), Array.from(set.positions), file);
        for (const t of tokens.filter((t) => !t.includes('e'))) assert.equal(t.replace(/\.0$/, ''), String(Number(t)));
        let hash = 14695981039346656037n, pieces = 0;
        const mix = (bytes) => bytes.forEach((b) => { hash = ((hash ^ BigInt(b)) * 1099511628211n) % 2n ** 64n; });
        for (const d of Array.from({length: set.length}, (_, i) => set.decompose(i))) {
            texts(d).forEach((t) => mix(new TextEncoder().encode(t + '\0')));
            pieces += d.pieces.length;
            d.added.forEach((a) => mix(new Uint8Array(d.positions.buffer, 16 * a, 16)));
        }
        assert.equal(`${pieces} ${hash.toString(16)}`, GOLDEN.get(`realworld/${file.slice(0, -5)}`), file);
    });
});

test('decomposition cases: pieces, flags and bridge points, from a document and from arrays', () => {
    for (const c of CASES) each(document(c), (set) => {
        const d = set.decompose(0), n = c.points.length, rings = [c.outline, ...c.holes].map(numbers);
        assert.deepEqual([texts(d), Array.from(d.positions.subarray(2 * n))], [c.convex, c.added.flat()], c.name);
        assert.deepEqual(Array.from(d.added).sort((a, b) => a - b), c.added.map((_, k) => n + k), c.name);
        if (!rings.flat().every((i, k) => i === k)) return;  // the arrays number the positions alike only then
        const [outline, ...holes] = rings.map((r) => new Float64Array(r.flatMap((i) => c.points[i])));
        const direct = decompose(outline, holes, {fixOrientation: false});
        assert.deepEqual([texts(direct), direct.positions], [c.convex, d.positions], c.name);
    });
});

test('merged pieces and pictures as tests/data/tools/expected holds them', () => each(read('tools/set.json'), (set) => {
    const title = 'Convex decomposition of standard input';
    assert.equal(set.toSVG({title}), read('tools/expected/decompose.svg'));
    assert.equal(set.toSVG({merge: true, maxVertices: 4, title}), read('tools/expected/decompose_merged.svg'));
    for (const [file, options] of [['decompose_merged.json', {merge: true, clean: true, maxVertices: 4}],
                                   ['decompose_slop.json', {merge: true, maxVertices: 8, slop: 1}]]) {
        const merged = JSON.parse(read(`tools/expected/${file}`));
        const items = Array.from({length: set.length}, (_, i) => set.decompose(i, options));
        assert.deepEqual(items.map((d) => d.pieces.map((p, k) => Array.from(p, (v, j) => [v, d.exterior[k][j] === 1]))),
                         merged.items.map((item) => item.convex), file);
        assert.deepEqual([Array.from(set.positions), set.dropped], [merged.positions.flat(), 1]);
    }
}));

test('documents read, written and dumped as the native library does', () => {
    for (const c of DOCUMENTS) {
        if (!c.items.length || c.text.includes('\0')) assert.throws(() => CrossSections.fromJSON(c.text), Error, c.name);
        else each(c.text, (set) => {
            const loops = (item) => [item.outline, ...item.holes].map((l) => text(l)).join(' | ');
            assert.deepEqual(Array.from({length: set.length}, (_, i) => loops(set.item(i))), c.items, c.name);
            if (c.points) assert.deepEqual(Array.from(set.positions), c.points.flat().map(Number), c.name);
            // Written as it is, and compact through JSON.stringify too, which passes toJSON a key.
            if (c.written) assert.equal(JSON.stringify([set.toJSON(), set]), JSON.stringify([c.written, c.written]), c.name);
            if (c.dump) assert.equal(set.dump(c.prefix), c.dump.map((l) => l + '\n').join(''), c.name);
            const params = Object.entries(c.params ?? {}).map(([k, v]) => [k, Number(v)]);
            if (c.params) assert.deepEqual(set.parameters, Object.fromEntries(params), c.name);
        }, {factor: c.factor ?? 1});
    }
});

test('weld cases of tests/data/meshes, from double and single precision', () => {
    const xyz = (list) => new Float64Array(list.flatMap((p) => (p ? p.map(Number) : [Infinity, Infinity, Infinity])));
    for (const c of JSON.parse(read('meshes/weld.json')).Cases)
        assert.deepEqual(weld(xyz(c.Positions), new Uint32Array(c.Corners)),
                         {positions: xyz(c.Welded), indices: new Uint32Array(c.Indices)}, c.Name);
    const quad = new Float32Array([0, 0, 0, 1, 0, 0, 1, 1, 0.1, 0, 0, 0, 1, 1, 0.1, 0, 1, 0]);
    assert.deepEqual(weld(quad, [0, 1, 2, 3, 4, 5]), {indices: new Uint32Array([0, 1, 2, 0, 2, 3]),
                     positions: new Float64Array([0, 0, 0, 1, 0, 0, 1, 1, Math.fround(0.1), 0, 1, 0])});
});

test('bad input is an Error with the library\'s message', () => {
    const square = CrossSections.fromJSON('{"Outlines": [[[0,0],[4,0],[4,4],[0,4]]]}');
    assert.deepEqual(square.decompose(0, {maxVertices: 3}).pieces.map((p) => p.length), [3, 3]);  // the smallest bound
    for (const [call, message] of [
        [() => CrossSections.fromJSON(''), /is empty/], [() => CrossSections.fromJSON('{'), /byte offset 1/],
        [() => CrossSections.fromJSON('{"a": 1}'), /not a cross-section document/],
        [() => CrossSections.fromJSON('['.repeat(100000)), /nested deeper than 512/],
        [() => CrossSections.fromJSON(square.toJSON(), {factor: 0}), /factor must be a finite number greater than 0/],
        [() => CrossSections.fromJSON(7), /text must be a string/], [() => square.decompose(1), /item 1 is not one of/],
        [() => square.decompose(0, {maxVertices: 2}), /maxVertices must be 0/],
        [() => square.toSVG({maxVertices: 3.5}), /maxVertices/], [() => decompose('0 0 1 0 1 1'), /typed array/],
        [() => decompose(new Float64Array(3)), /outline must hold x, y pairs/],
        [() => decompose(new Float64Array(6), [new Float64Array(1)]), /holes\[0\] must hold/],
        [() => weld(new Float64Array(9), [0, 1, 2.5]), /indices\[2\] is not a whole number/],
        [() => weld(new Float64Array(8), new Uint32Array(0)), /divisible by 3/],
        // Last: a disposed set is an Error to use.
        [() => square.decompose(0, {slop: -1}), /slop must be/], [() => (square.dispose(), square.length), /disposed/],
    ]) assert.throws(call, message);
});
