// ShapeExport in JavaScript: the library's decomposition of outlines with holes into
// convex pieces, the merging of pieces, cross-section sets read from and written to
// JSON text, their dump and picture, and the mesh weld, compiled to WebAssembly.
//
// Typed arrays go in and come out; results are copies that JavaScript owns. A
// CrossSections set lives in the module's memory: dispose() frees it, and a set that
// is dropped without it is freed when it is garbage collected.
import createShapeExport from './dist/shapeexport-wasm.mjs';

const wasm = await createShapeExport();

function checked(result) {
    if (result.error !== undefined) throw new Error(result.error);
    return result;
}

function numbers(value, name) {
    if (!ArrayBuffer.isView(value) && !Array.isArray(value))
        throw new TypeError(`${name} must be a typed array or an array of numbers`);
    return value;
}

function mergeOptions({merge = false, clean = false, maxVertices = 0, slop = 0} = {}) {
    return [Boolean(merge), Boolean(clean), Number(maxVertices), Number(slop)];
}

// The flat pieces of the binding as one subarray (a view, not a copy) per piece.
function split({indices, offsets, exterior, added}) {
    const pieces = [], flags = [];
    for (let k = 0; k + 1 < offsets.length; ++k) {
        pieces.push(indices.subarray(offsets[k], offsets[k + 1]));
        flags.push(exterior.subarray(offsets[k], offsets[k + 1]));
    }
    return {pieces, exterior: flags, added};
}

export function decompose(outline, holes = [], {fixOrientation = true, ...options} = {}) {
    numbers(outline, 'outline');
    if (!Array.isArray(holes)) throw new TypeError('holes must be an array of typed arrays');
    holes.forEach((hole, h) => numbers(hole, `holes[${h}]`));
    const result = checked(wasm.decompose(outline, holes, ...mergeOptions(options), Boolean(fixOrientation)));
    return {positions: result.positions, ...split(result)};
}

export function weld(positions, indices) {
    const result = checked(wasm.weld(numbers(positions, 'positions'), numbers(indices, 'indices')));
    return {positions: result.positions, indices: result.indices};
}

const sets = new FinalizationRegistry((handle) => handle.delete());

export class CrossSections {
    #handle;

    constructor(handle, report) {
        if (!(handle instanceof wasm.Set)) throw new TypeError('use CrossSections.fromJSON(text)');
        this.#handle = handle;
        this.sections = report.sections;
        this.dropped = report.dropped;
        this.wrongOrientation = report.wrongOrientation;
        sets.register(this, handle, this);
    }

    static fromJSON(text, {factor = 1} = {}) {
        if (typeof text !== 'string') throw new TypeError('text must be a string');
        const handle = new wasm.Set();
        try {
            return new CrossSections(handle, checked(handle.read(text, Number(factor))));
        } catch (error) {
            handle.delete();
            throw error;
        }
    }

    get #set() {
        if (!this.#handle) throw new Error('the set was disposed');
        return this.#handle;
    }

    get length() { return this.#set.count(); }
    get positions() { return this.#set.positions(); }
    get parameters() { return this.#set.parameters(); }

    item(index) { return checked(this.#set.item(index)); }

    decompose(index, options) {
        const set = this.#set;
        const result = checked(set.decompose(index, ...mergeOptions(options)));
        return {positions: set.positions(), ...split(result)};
    }

    // JSON.stringify passes a key here, not an indent: compact text then.
    toJSON(indent = -1) { return this.#set.toJSON(Number.isInteger(indent) ? indent : -1); }

    dump(prefix = '') { return this.#set.dump(String(prefix)); }

    toSVG({title = 'Convex decomposition', ...options} = {}) {
        return checked(this.#set.svg(...mergeOptions(options), String(title)));
    }

    dispose() {
        if (!this.#handle) return;
        sets.unregister(this);
        this.#handle.delete();
        this.#handle = undefined;
    }
}
