// Types of the shapeexport package (index.js).

/** Options of the merging of convex pieces (the library's MergeConvexLoops). */
export interface MergeOptions {
    /** Join neighbouring pieces whose union is convex (default false). */
    merge?: boolean;
    /** Drop vertices where the outline goes straight on (default false). */
    clean?: boolean;
    /** Split pieces with more vertices; 0 (default) sets no bound, else at least 3. */
    maxVertices?: number;
    /**
     * Engine-ready pieces under this distance (0, the default: none): corners at least slop out from
     * their neighbours' line, vertices at least slop apart, none thinner; what would break that is dropped.
     */
    slop?: number;
}

/** Convex pieces over positions (x, y pairs; hole removal's bridge points appended). */
export interface Decomposition {
    positions: Float64Array;
    /** Each piece as position indices, counter-clockwise. */
    pieces: Uint32Array[];
    /** Per piece and vertex: 1 where the edge arriving at it lies on the outline or a hole, 0 on a cut. */
    exterior: Uint8Array[];
    /** Indices of the bridge points that hole removal appended. */
    added: Uint32Array;
}

/**
 * Decomposes one outline with holes, each given as x, y pairs. With fixOrientation
 * (default true) the outline is made counter-clockwise and the holes clockwise first.
 */
export function decompose(
    outline: Float64Array | ArrayLike<number>,
    holes?: Array<Float64Array | ArrayLike<number>>,
    options?: MergeOptions & {fixOrientation?: boolean},
): Decomposition;

/**
 * Merges coincident positions (x, y, z triples; squared distance below 1e-8) of a
 * triangle mesh. Positions that no index names are dropped.
 */
export function weld(
    positions: Float32Array | Float64Array,
    indices: Uint32Array | ArrayLike<number>,
): {positions: Float64Array; indices: Uint32Array};

/** A set of cross sections over one position array, held by the module until dispose(). */
export class CrossSections {
    private constructor();
    /** Reads a cross-section document; an Error with the reader's message when the text is none. */
    static fromJSON(text: string, options?: {factor?: number}): CrossSections;
    /** Cross sections listed in the document, those dropped as invalid, loops that run the wrong way. */
    readonly sections: number;
    readonly dropped: number;
    readonly wrongOrientation: number;
    /** The number of cross sections (items). */
    readonly length: number;
    /** The positions as x, y pairs (a copy; bridge points included once decomposed). */
    readonly positions: Float64Array;
    readonly parameters: Record<string, number>;
    /** The outline and holes of an item, as the set holds them (holes clockwise). */
    item(index: number): {outline: Uint32Array; holes: Uint32Array[]};
    /** The convex pieces of an item, decomposed on first use. */
    decompose(index: number, options?: MergeOptions): Decomposition;
    /** The document, compact (indent -1, default) or indented. */
    toJSON(indent?: number): string;
    /** The diagnostic text dump. */
    dump(prefix?: string): string;
    /** The picture of every item's pieces, as `shapeexport decompose --svg` draws it. */
    toSVG(options?: MergeOptions & {title?: string}): string;
    /** Frees the set's memory in the module; the set is unusable afterwards. */
    dispose(): void;
}
