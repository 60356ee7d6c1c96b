// Joining, cleaning and bounding convex pieces (see ConvexMerge.h).
//
// The pieces are rings of nodes, one node per vertex of each piece. Joining two
// pieces across a shared edge u -> v / v -> u relinks four nodes: the piece that
// runs u -> v keeps its nodes of u and v, the other one's nodes of u and v are
// retired and stand for the kept ones from then on. So every join costs a few
// steps, and a piece that grows by thousands of joins (a fan) is never copied.
// Re-cutting then works on the joined rings as lists, through a table from each
// edge to the piece that last took it, so that a round after the first touches
// only the pieces around what changed.
#include <kor/ShapeExport/ConvexMerge.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

#include <kor/math/BBox.h>

#include "CornerSweep.h"
#include "Decomposition.h"
#include "PieceSlop.h"
#include "PlaceGrid.h"

namespace kor {
namespace ShapeExport {

namespace {

using detail::IsReflex;
using detail::Point;
using detail::Turn;
using detail::VertexList;

// The step's decisions (convex enough, straight) compare a corner's turn, a cross
// product of two edges, with this share of the squared extent of the loops, so
// that a shape decides alike at any scale.
constexpr double kRelativeTurn = 1e-12;

// The position of the ring's corner i, counted around (i modulo the ring's size;
// callers count at most a few times around, so subtracting beats dividing).
const Point& CornerAt(const VertexList& ring, std::size_t i, const std::vector<Point>& positions) {
    while (i >= ring.size()) i -= ring.size();
    return positions[static_cast<std::size_t>(ring[i].Index())];
}

// Whether every index of the loop names a position, and a finite one. The loops
// handed in are checked once; what the step makes of them is on their positions.
bool OnFinitePositions(const VertexList& loop, const std::vector<Point>& positions) {
    for (const Vertex& v : loop) {
        if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= positions.size()) return false;
        const Point& p = positions[static_cast<std::size_t>(v.Index())];
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
    }
    return true;
}

// Whether the loop (on finite positions) is a convex piece that takes part: at least
// three vertices, no corner turning the other way beyond the tolerance, positive
// area. Corners are taken between distinct positions: a repeated position turns by
// nothing and would hide the corner it repeats.
bool IsPiece(const VertexList& loop, const std::vector<Point>& positions, double tolerance) {
    const std::size_t m = loop.size();
    if (m < 3) return false;
    auto at = [&](std::size_t i) -> const Point& { return positions[static_cast<std::size_t>(loop[i].Index())]; };
    // The corners, in one pass: a position that repeats the one before it is none,
    // and the vertices at the end that repeat the first position belong to it.
    std::size_t end = m;
    while (end > 1 && at(end - 1) == at(0)) --end;
    const Point *first = nullptr, *second = nullptr, *beforeLast = nullptr, *last = nullptr;
    std::size_t n = 0;
    double twiceArea = 0.0;
    for (std::size_t k = 0; k < end; ++k) {
        const Point& p = at(k);
        if (last && p == *last) continue;
        if (n >= 2 && IsReflex(*beforeLast, *last, p, tolerance)) return false;
        if (last) twiceArea += last->x() * p.y() - p.x() * last->y();
        if (n == 0) first = &p;
        if (n == 1) second = &p;
        beforeLast = last;
        last = &p;
        ++n;
    }
    if (n < 3 || IsReflex(*beforeLast, *last, *first, tolerance) || IsReflex(*last, *first, *second, tolerance))
        return false;
    twiceArea += last->x() * first->y() - first->x() * last->y();
    return twiceArea > 0.0;
}

// The node of the first edge u -> v among edges (u, v) of position indices, each
// given by the node it starts at. Open addressing with linear probing over a table
// at most half full that holds only node numbers (the edge is read from the node):
// small, so that a call touches little fresh memory.
class EdgeTable {
public:
    // `keys[node]`: the edge that starts at the node, as Key(u, v).
    explicit EdgeTable(std::vector<std::uint64_t> keys) : m_keys(std::move(keys)) {
        std::size_t size = 16;
        for (m_shift = 60; size < 2 * m_keys.size(); size *= 2) --m_shift;
        m_slots.assign(size, -1);
        for (std::size_t node = 0; node < m_keys.size(); ++node)
            for (std::size_t i = Home(m_keys[node]);; i = (i + 1) & (size - 1)) {
                if (m_slots[i] < 0) m_slots[i] = static_cast<int>(node);
                if (m_keys[static_cast<std::size_t>(m_slots[i])] == m_keys[node]) break;
            }
    }

    // The node of the first edge with this key, or -1.
    int Find(std::uint64_t key) const {
        for (std::size_t i = Home(key);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i] < 0 || m_keys[static_cast<std::size_t>(m_slots[i])] == key) return m_slots[i];
        }
    }

    static std::uint64_t Key(int u, int v) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(u)) << 32) | static_cast<std::uint32_t>(v);
    }

    // The home slot of a key in a table of 2^(64 - shift) slots: the product's top bits.
    static std::size_t Home(std::uint64_t key, int shift) {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
    }

private:
    std::size_t Home(std::uint64_t key) const { return Home(key, m_shift); }

    std::vector<std::uint64_t> m_keys;
    std::vector<int> m_slots;
    int m_shift = 60;
};

class PieceRings {
public:
    // Joins only into pieces of at most `limit` vertices (0: any), counted without
    // the corners where they go straight on when `clean` drops those.
    PieceRings(const std::vector<Point>& positions, const std::vector<const VertexList*>& pieces, double tolerance,
               std::size_t limit, bool clean)
        : m_positions(positions), m_tolerance(tolerance), m_limit(limit), m_clean(clean) {
        std::size_t nodes = 0;
        for (const VertexList* piece : pieces) nodes += piece->size();
        m_nodes.reserve(nodes);
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            const std::size_t first = m_nodes.size();
            const std::size_t n = pieces[p]->size();
            for (std::size_t i = 0; i < n; ++i)
                m_nodes.push_back(Node{(*pieces[p])[i], static_cast<int>(first + (i + 1) % n),
                                       static_cast<int>(first + (i + n - 1) % n), static_cast<int>(first + i),
                                       static_cast<int>(p)});
        }
        m_group.resize(pieces.size());
        std::iota(m_group.begin(), m_group.end(), 0);
        m_size.reserve(pieces.size());
        for (const VertexList* piece : pieces) m_size.push_back(piece->size());
    }

    // Joins pieces across their shared edges where the union stays convex, shared
    // edges taken piece by piece in list order.
    void Join() {
        // The pieces' own edges, each as the node it starts at and the node it ends at.
        std::vector<int> ends(m_nodes.size());
        std::vector<std::uint64_t> keys(m_nodes.size());
        for (std::size_t n = 0; n < m_nodes.size(); ++n) {
            ends[n] = m_nodes[n].next;
            keys[n] = EdgeTable::Key(Index(static_cast<int>(n)), Index(ends[n]));
        }
        const EdgeTable edges(std::move(keys));
        for (std::size_t n = 0; n < m_nodes.size(); ++n) {
            const int twin = edges.Find(EdgeTable::Key(Index(ends[n]), Index(static_cast<int>(n))));
            if (twin < 0 || m_nodes[static_cast<std::size_t>(twin)].piece <= m_nodes[n].piece) continue;
            TryJoin(static_cast<int>(n), ends[n], twin, ends[static_cast<std::size_t>(twin)]);
        }
    }

    // The joined pieces: for every piece, its group's ring when the piece is the
    // first of the group, else nothing.
    std::vector<VertexList> Rings() {
        std::vector<int> start(m_group.size(), -1);  // per group, its first living node
        for (std::size_t n = 0; n < m_nodes.size(); ++n) {
            const int group = Group(m_nodes[n].piece);
            if (m_nodes[n].self == static_cast<int>(n) && start[static_cast<std::size_t>(group)] < 0)
                start[static_cast<std::size_t>(group)] = static_cast<int>(n);
        }
        std::vector<VertexList> rings(m_group.size());
        for (std::size_t p = 0; p < m_group.size(); ++p) {
            if (Group(static_cast<int>(p)) != static_cast<int>(p)) continue;
            const int first = start[p];
            std::size_t size = 0;
            for (int n = first; size == 0 || n != first; n = m_nodes[static_cast<std::size_t>(n)].next) ++size;
            rings[p].reserve(size);
            for (int n = first; rings[p].size() < size; n = m_nodes[static_cast<std::size_t>(n)].next)
                rings[p].push_back(m_nodes[static_cast<std::size_t>(n)].vertex);
        }
        return rings;
    }

private:
    struct Node {
        Vertex vertex;
        int next;
        int prev;
        int self;   // itself while it lives; once retired, the node that stands for it
        int piece;  // the piece it was made for
    };

    int Index(int n) const { return m_nodes[static_cast<std::size_t>(n)].vertex.Index(); }
    const Point& At(int n) const { return m_positions[static_cast<std::size_t>(Index(n))]; }
    Node& N(int n) { return m_nodes[static_cast<std::size_t>(n)]; }

    int Living(int n) {
        while (N(n).self != n) n = N(n).self;
        return n;
    }
    int Group(int piece) {
        while (m_group[static_cast<std::size_t>(piece)] != piece)
            piece = m_group[static_cast<std::size_t>(piece)] =
                m_group[static_cast<std::size_t>(m_group[static_cast<std::size_t>(piece)])];
        return piece;
    }

    // The edge u -> v runs from node u1 to node v1, its twin v -> u from v2 to u2.
    void TryJoin(int u1, int v1, int v2, int u2) {
        const int au = Living(u1), av = Living(v1), bv = Living(v2), bu = Living(u2);
        // Both edges must still be edges of their pieces, and the pieces apart.
        if (N(au).next != av || N(bv).next != bu) return;
        const int groupA = Group(N(au).piece), groupB = Group(N(bv).piece);
        if (groupA == groupB) return;
        const int beforeU = N(au).prev, afterU = N(bu).next, beforeV = N(bv).prev, afterV = N(av).next;
        // The corners where the pieces meet: convex, and not folding back on an edge
        // they also share.
        if (Index(beforeU) == Index(afterU) || Index(beforeV) == Index(afterV)) return;
        if (IsReflex(At(beforeU), At(au), At(afterU), m_tolerance) ||
            IsReflex(At(beforeV), At(av), At(afterV), m_tolerance))
            return;
        // The size of the union, without the corners where it goes straight on when
        // cleaning drops them (the bound step splits what still does not fit).
        auto straight = [this](int before, int at, int after) {
            return m_clean && std::fabs(Turn(At(before), At(at), At(after))) <= m_tolerance;
        };
        const std::size_t size = m_size[static_cast<std::size_t>(groupA)] + m_size[static_cast<std::size_t>(groupB)] -
                                 2 - (straight(beforeU, au, afterU) ? 1 : 0) - (straight(beforeV, av, afterV) ? 1 : 0);
        if (m_limit != 0 && size > m_limit) return;
        m_size[static_cast<std::size_t>(std::min(groupA, groupB))] = size;
        N(au).next = afterU;
        N(afterU).prev = au;
        N(beforeV).next = av;
        N(av).prev = beforeV;
        // The edge arriving at v is now the other piece's.
        N(av).vertex.SetExterior(N(bv).vertex.Exterior());
        N(bu).self = au;
        N(bv).self = av;
        m_group[static_cast<std::size_t>(std::max(groupA, groupB))] = std::min(groupA, groupB);
    }

    const std::vector<Point>& m_positions;
    const double m_tolerance;
    const std::size_t m_limit;
    const bool m_clean;
    std::vector<Node> m_nodes;
    std::vector<int> m_group;         // per piece, a piece of the same group (the first one: itself)
    std::vector<std::size_t> m_size;  // per group (at its first piece), the vertices of its ring
};

// Pieces joined across their shared edges where the union stays convex; a piece
// joined into an earlier one becomes empty.
std::vector<VertexList> Joined(const std::vector<Point>& positions, const std::vector<const VertexList*>& pieces,
                               double tolerance, std::size_t limit, bool clean) {
    PieceRings rings(positions, pieces, tolerance, limit, clean);
    rings.Join();
    return rings.Rings();
}

// Whether the ring, whose corners all turn left or go straight on, turns once
// around rather than twice (as a pentagram does): its edge directions pass from
// the lower half-plane into the upper one (through +x) once. Edges of no length
// are passed over.
bool TurnsOnce(const VertexList& ring, const std::vector<Point>& positions) {
    const std::size_t n = ring.size();
    auto at = [&](std::size_t i) -> const Point& { return CornerAt(ring, i, positions); };
    // The half-plane of an edge: 1 upper, -1 lower, 0 none (no length).
    auto half = [](const Point& from, const Point& to) {
        const double dx = to.x() - from.x(), dy = to.y() - from.y();
        if (dx == 0.0 && dy == 0.0) return 0;
        return dy > 0.0 || (dy == 0.0 && dx > 0.0) ? 1 : -1;
    };
    // Around once, from the half-plane of the last edge that has a length.
    int last = 0, crossings = 0;
    for (std::size_t i = n; last == 0 && i > 0; --i) last = half(at(i - 1), at(i));
    const Point* from = &at(0);
    for (std::size_t i = 1; i <= n; ++i) {
        const Point& to = at(i);
        const int side = half(*from, to);
        from = &to;
        if (side == 0) continue;
        if (last == -1 && side == 1) ++crossings;
        last = side;
    }
    return crossings == 1;
}

// The run of the ring from i to j, closed by the diagonal j -> i (a cut).
VertexList Part(const VertexList& ring, std::size_t i, std::size_t j) {
    VertexList part;
    part.reserve((j + ring.size() - i) % ring.size() + 1);
    for (std::size_t k = i;; k = (k + 1) % ring.size()) {
        part.push_back(ring[k]);
        if (k == j) break;
    }
    part.front().SetExterior(false);
    return part;
}

// A corner of a ring: a position and its neighbours.
struct Corner {
    const Point* before;
    const Point* at;
    const Point* after;
};

// Whether the diagonal between the corners p and q of a ring leaves strictly convex
// corners at both of its ends, on both sides.
bool CutsConvex(const Corner& p, const Corner& q, double tolerance) {
    return !(Turn(*q.at, *p.at, *p.after) > -tolerance || Turn(*p.before, *p.at, *q.at) > -tolerance ||
             Turn(*q.before, *q.at, *p.at) > -tolerance || Turn(*p.at, *q.at, *q.after) > -tolerance);
}

// The union of three pieces as one convex piece, or as two split by a diagonal from
// a reflex corner (to the other one, if there are two; else the first, in ring
// order, that works), or nothing. A diagonal works when the four corners it makes
// are strictly convex: the other corners are the union's own.
std::vector<VertexList> SplitIntoConvex(const VertexList& ring, const std::vector<Point>& positions, double tolerance) {
    const std::size_t n = ring.size();
    auto at = [&](std::size_t i) -> const Point& { return CornerAt(ring, i, positions); };
    auto corner = [&](std::size_t i) { return Corner{&at(i + n - 1), &at(i), &at(i + 1)}; };
    std::size_t reflex[2], reflexCount = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!IsReflex(at(i + n - 1), at(i), at(i + 1), tolerance)) continue;
        if (reflexCount == 2) return {};
        reflex[reflexCount++] = i;
    }
    if (reflexCount == 0) return TurnsOnce(ring, positions) ? std::vector<VertexList>{ring} : std::vector<VertexList>{};
    const std::size_t i = reflex[0], beforeI = i == 0 ? n - 1 : i - 1, afterI = i + 1 == n ? 0 : i + 1;
    for (std::size_t j = 0; j < n; ++j) {
        if ((reflexCount == 2 && j != reflex[1]) || j == i || j == beforeI || j == afterI) continue;
        if (!CutsConvex(corner(i), corner(j), tolerance)) continue;
        std::vector<VertexList> parts{Part(ring, i, j), Part(ring, j, i)};
        if (TurnsOnce(parts[0], positions) && TurnsOnce(parts[1], positions)) return parts;
    }
    return {};
}

// Re-cutting: a union of pieces is only re-cut up to this many vertices, which keeps
// every try cheap (larger unions of three pieces hardly ever have a better cut), and
// in at most this many rounds, which keeps the whole linear in the pieces.
constexpr std::size_t kRecutVertexLimit = 32;
constexpr int kRecutRounds = 8;

// Re-cuts three pieces in a row (b sharing an edge with a and with c) whose union
// has at most two reflex corners into the two pieces of one diagonal (or joins them
// into one piece). In rounds: a round takes its pieces b in list order, each b's
// shared edges in ring order, and the first pair that works; the first new piece
// stands where the first of the three stood, the second where the second stood, the
// third place empties. A re-cut piece waits for the next round, which tries only
// the three pieces in a row that hold a piece re-cut in this one.
class Recutter {
public:
    Recutter(std::vector<VertexList>& pieces, const std::vector<Point>& positions, double tolerance)
        : m_pieces(pieces), m_positions(positions), m_tolerance(tolerance) {
        // Room for the edges of every piece that can take part and for the two sides
        // of every diagonal to come (each re-cut leaves one piece fewer), at most
        // three quarters full.
        std::size_t edges = 0;
        for (const VertexList& piece : pieces) edges += piece.size() <= kRecutVertexLimit ? piece.size() : 0;
        std::size_t size = 16;
        while (3 * size < 4 * (edges + 2 * pieces.size())) size *= 2;
        m_slots.assign(size, Slot{0, kFree, 0});
        m_shift = 64;
        for (std::size_t s = size; s > 1; s /= 2) --m_shift;
        for (std::size_t p = 0; p < pieces.size(); ++p)
            if (pieces[p].size() <= kRecutVertexLimit) Own(p);
    }

    void Run() {
        std::vector<std::size_t> order(m_pieces.size());
        std::iota(order.begin(), order.end(), 0);
        std::vector<bool> fresh(m_pieces.size(), true);
        for (int round = 0; round < kRecutRounds && !order.empty(); ++round) {
            std::vector<bool> recut(m_pieces.size(), false);
            std::vector<std::size_t> next;
            for (const std::size_t b : order) {
                if (!recut[b]) TryAround(b, fresh, recut, next);
            }
            std::sort(next.begin(), next.end());
            next.erase(std::unique(next.begin(), next.end()), next.end());
            order = std::move(next);
            fresh = std::move(recut);
        }
    }

private:
    struct Slot {
        std::uint64_t key;    // the edge u -> v as EdgeTable::Key(u, v)
        std::uint32_t piece;  // the piece it was last given to; kFree: a free slot
        std::uint32_t at;     // where it starts in that piece's ring
    };
    static constexpr std::uint32_t kFree = ~std::uint32_t(0);
    // An edge of piece b shared with another piece: b's edge `edge` runs u -> v, the
    // other piece's edge `twin` runs v -> u.
    struct SharedEdge {
        std::size_t edge;
        std::size_t piece;
        std::size_t twin;
    };

    Slot& SlotOf(std::uint64_t key) {
        std::size_t i = EdgeTable::Home(key, m_shift);
        while (m_slots[i].piece != kFree && m_slots[i].key != key) i = (i + 1) & (m_slots.size() - 1);
        return m_slots[i];
    }
    static std::uint64_t EdgeKey(const VertexList& ring, std::size_t k) {
        return EdgeTable::Key(ring[k].Index(), ring[k + 1 == ring.size() ? 0 : k + 1].Index());
    }
    // The key of the edge k of the ring run the other way: the edge of a neighbour.
    static std::uint64_t TwinKey(const VertexList& ring, std::size_t k) {
        return EdgeTable::Key(ring[k + 1 == ring.size() ? 0 : k + 1].Index(), ring[k].Index());
    }
    // Gives the edges of piece p to it.
    void Own(std::size_t p) {
        for (std::size_t k = 0; k < m_pieces[p].size(); ++k) {
            const std::uint64_t key = EdgeKey(m_pieces[p], k);
            SlotOf(key) = Slot{key, static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(k)};
        }
    }
    // The piece of at most kRecutVertexLimit vertices that has the edge of `key`, and
    // where, or false. The table may name a piece that has since lost the edge (the
    // piece was re-cut, or emptied): the ring is read to be sure.
    bool Owner(std::uint64_t key, std::size_t& piece, std::size_t& at) {
        const Slot& slot = SlotOf(key);
        if (slot.piece == kFree) return false;
        piece = slot.piece;
        at = slot.at;
        const VertexList& ring = m_pieces[piece];
        return ring.size() <= kRecutVertexLimit && at < ring.size() && EdgeKey(ring, at) == key;
    }

    const Point& At(const VertexList& ring, std::size_t i) const { return CornerAt(ring, i, m_positions); }

    // The corners of the union of b, x.piece and y.piece (x.edge < y.edge) that turn
    // the wrong way, and how many: only the corners where they are spliced can.
    int ReflexCorners(std::size_t b, const SharedEdge& x, const SharedEdge& y, Corner reflex[4]) const {
        const VertexList &own = m_pieces[b], &a = m_pieces[x.piece], &c = m_pieces[y.piece];
        const std::size_t m = own.size(), na = a.size(), nc = c.size();
        const bool yBeforeX = (y.edge + 1) % m == x.edge, xBeforeY = x.edge + 1 == y.edge;
        int count = 0;
        auto test = [&](const Point& before, const Point& at, const Point& after) {
            if (IsReflex(before, at, after, m_tolerance)) reflex[count++] = Corner{&before, &at, &after};
        };
        // At u of x, and at v of x.
        test(yBeforeX ? At(c, y.twin + nc - 1) : At(own, x.edge + m - 1), At(own, x.edge), At(a, x.twin + 2));
        test(At(a, x.twin + na - 1), At(own, x.edge + 1), xBeforeY ? At(c, y.twin + 2) : At(own, x.edge + 2));
        // At u of y, and at v of y, where they are not the corners above.
        if (!xBeforeY) test(At(own, y.edge + m - 1), At(own, y.edge), At(c, y.twin + 2));
        if (!yBeforeX) test(At(c, y.twin + nc - 1), At(own, y.edge + 1), At(own, y.edge + 2));
        return count;
    }

    // The ring of b with x.piece and y.piece spliced in at their shared edges; an
    // arriving edge keeps the flag of the piece it came from.
    void Union(std::size_t b, const SharedEdge& x, const SharedEdge& y, VertexList& ring) const {
        const VertexList& own = m_pieces[b];
        const std::size_t m = own.size();
        ring.clear();
        const std::size_t xEnd = x.edge + 1 == m ? 0 : x.edge + 1, yEnd = y.edge + 1 == m ? 0 : y.edge + 1;
        for (std::size_t k = 0; k < m; ++k) {
            ring.push_back(own[k]);
            if (k == xEnd) ring.back().SetExterior(m_pieces[x.piece][x.twin].Exterior());
            if (k == yEnd) ring.back().SetExterior(m_pieces[y.piece][y.twin].Exterior());
            for (const SharedEdge* e : {&x, &y}) {
                if (k != e->edge) continue;
                const VertexList& other = m_pieces[e->piece];
                for (std::size_t t = 2, i = e->twin + 2; t < other.size(); ++t, ++i)
                    ring.push_back(other[i < other.size() ? i : i - other.size()]);
            }
        }
    }

    // Whether some position appears twice in the ring (a union of at most
    // kRecutVertexLimit vertices): the pieces touch elsewhere too, and the union is no
    // simple ring. Sorted in place, so that the cost does not grow with the positions
    // of a large set, which every item's pieces share.
    static bool RepeatsAPosition(const VertexList& ring) {
        if (ring.size() > kRecutVertexLimit) return true;
        int indices[kRecutVertexLimit];
        std::size_t n = 0;
        for (const Vertex& v : ring) indices[n++] = v.Index();
        std::sort(indices, indices + n);
        return std::adjacent_find(indices, indices + n) != indices + n;
    }

    // Tries the pairs of b's shared edges; on success, replaces the three pieces and
    // lists the new ones and their neighbours for the next round.
    void TryAround(std::size_t b, const std::vector<bool>& fresh, std::vector<bool>& recut,
                   std::vector<std::size_t>& next) {
        const std::size_t m = m_pieces[b].size();
        if (m == 0 || m > kRecutVertexLimit) return;
        m_shared.clear();
        for (std::size_t k = 0; k < m; ++k) {
            SharedEdge e{k, 0, 0};
            if (Owner(TwinKey(m_pieces[b], k), e.piece, e.twin) && e.piece != b && !recut[e.piece])
                m_shared.push_back(e);
        }
        for (std::size_t x = 0; x < m_shared.size(); ++x) {
            for (std::size_t y = x + 1; y < m_shared.size(); ++y) {
                const std::size_t a = m_shared[x].piece, c = m_shared[y].piece;
                if (a == c || !(fresh[a] || fresh[b] || fresh[c]) ||
                    m + m_pieces[a].size() + m_pieces[c].size() - 4 > kRecutVertexLimit)
                    continue;
                // The union's other corners are the pieces' own, which do not turn the
                // wrong way: with two that do, only the diagonal between them can work.
                Corner reflex[4];
                const int reflexCount = ReflexCorners(b, m_shared[x], m_shared[y], reflex);
                if (reflexCount > 2 || (reflexCount == 2 && !CutsConvex(reflex[0], reflex[1], m_tolerance))) continue;
                Union(b, m_shared[x], m_shared[y], m_ring);
                if (RepeatsAPosition(m_ring)) continue;
                std::vector<VertexList> parts = SplitIntoConvex(m_ring, m_positions, m_tolerance);
                if (parts.empty()) continue;
                std::size_t places[3] = {a, b, c};
                std::sort(places, places + 3);
                for (std::size_t s = 0; s < 3; ++s) {
                    m_pieces[places[s]] = s < parts.size() ? std::move(parts[s]) : VertexList();
                    recut[places[s]] = true;
                    Own(places[s]);
                }
                for (std::size_t s = 0; s < 3; ++s) {
                    const VertexList& piece = m_pieces[places[s]];
                    next.push_back(places[s]);
                    for (std::size_t k = 0; k < piece.size(); ++k) {
                        std::size_t neighbour, at;
                        if (Owner(TwinKey(piece, k), neighbour, at)) next.push_back(neighbour);
                    }
                }
                return;
            }
        }
    }

    std::vector<VertexList>& m_pieces;
    const std::vector<Point>& m_positions;
    const double m_tolerance;
    std::vector<Slot> m_slots;
    int m_shift = 60;
    std::vector<SharedEdge> m_shared;
    VertexList m_ring;
};

// Drops the vertices where the ring goes straight on or repeats a position, down to
// three; the edge that replaces two is a cut when either of them was.
VertexList Clean(VertexList ring, const std::vector<Point>& positions, double tolerance) {
    detail::DropCorners(ring, positions, 3,
                        [tolerance](const Point& before, const Point& at, const Point& after, double, double&) {
                            return std::fabs(Turn(before, at, after)) <= tolerance;
                        });
    return ring;
}

// Splits a convex ring into rings of at most `limit` (3 or more) vertices, halved by
// the diagonal from vertex 0 to the middle one again and again: a diagonal of a
// convex ring leaves two convex rings, so the bound always holds.
void Bound(const VertexList& ring, std::size_t limit, std::vector<VertexList>& out) {
    const std::size_t m = ring.size();
    if (m <= limit) {
        out.push_back(ring);
        return;
    }
    Bound(Part(ring, 0, m / 2), limit, out);
    Bound(Part(ring, m / 2, 0), limit, out);
}

// Whether the loop (on finite positions) encloses area.
bool HasArea(const VertexList& loop, const std::vector<Point>& positions) {
    double twice = 0.0;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const Point &p = CornerAt(loop, i, positions), &q = CornerAt(loop, i + 1, positions);
        twice += p.x() * q.y() - q.x() * p.y();
    }
    return twice > 0.0;
}

// Rings this long get a grid of places for the ear test: on shorter ones the scan
// over their corners costs less.
constexpr std::size_t kGridRing = 64;

// A ring being cut into triangles: a doubly linked list over its vertices, with
// each corner's convexity kept as its neighbours change (the ear test reads it for
// every other corner). A long ring's ear test looks only at the vertices by place
// around the ear: those outside the box that InsideBound gives the triangle cannot
// pass the test's turns.
class EarRing {
public:
    EarRing(const VertexList& ring, const std::vector<Point>& positions)
        : m_v(ring), m_positions(positions), m_next(ring.size()), m_prev(ring.size()), m_reflex(ring.size()) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            m_next[i] = (i + 1) % ring.size();
            m_prev[i] = (i + ring.size() - 1) % ring.size();
        }
        for (std::size_t i = 0; i < ring.size(); ++i) Classify(i);
        if (ring.size() >= kGridRing) Place();
    }

    // The ring InsideBound walks.
    int Next(int i) const { return static_cast<int>(m_next[static_cast<std::size_t>(i)]); }
    const Point& P(int i) const { return At(static_cast<std::size_t>(i)); }

    // Cuts the ring of `count` vertices from `start` on into strictly convex
    // triangles appended to `out`: ears first (corners without area are dropped);
    // where none is left, the ring is split by a diagonal inside it and both parts
    // are cut on their own.
    void Cut(std::size_t start, std::size_t count, std::vector<VertexList>& out) {
        while (count > 3) {
            std::size_t i = start, k = 0;
            for (; k < count; ++k, i = m_next[i])
                if (Turn(At(m_prev[i]), At(i), At(m_next[i])) == 0.0 || IsEar(i)) break;
            if (k == count) {
                std::size_t a = 0, b = 0;
                if (!FindDiagonal(start, count, a, b)) return;  // nothing inside left to cut
                const std::size_t second = Split(a, b);
                std::size_t n = 1;
                for (std::size_t j = m_next[a]; j != a; j = m_next[j]) ++n;
                Cut(a, n, out);
                Cut(second, count + 2 - n, out);
                return;
            }
            const std::size_t a = m_prev[i], c = m_next[i];
            if (Convex(i)) {
                VertexList triangle{m_v[a], m_v[i], m_v[c]};
                triangle[0].SetExterior(false);
                out.push_back(std::move(triangle));
                m_v[c].SetExterior(false);
            } else {
                m_v[c].SetExterior(m_v[c].Exterior() && m_v[i].Exterior());
            }
            m_next[a] = c;
            m_prev[c] = a;
            m_reflex[i] = 0;  // cut off: blocks nothing
            Classify(a);
            Classify(c);
            --count;
            start = a;
        }
        if (count == 3 && Convex(start)) out.push_back(VertexList{m_v[m_prev[start]], m_v[start], m_v[m_next[start]]});
    }

private:
    const Point& At(std::size_t i) const { return m_positions[static_cast<std::size_t>(m_v[i].Index())]; }
    bool Convex(std::size_t i) const { return Turn(At(m_prev[i]), At(i), At(m_next[i])) < 0.0; }
    void Classify(std::size_t i) { m_reflex[i] = !Convex(i); }

    // A strictly convex corner whose triangle holds no other corner that is not, its
    // border included (a position repeated there blocks it unless it is convex).
    bool IsEar(std::size_t i) const {
        const std::size_t a = m_prev[i], c = m_next[i];
        if (m_reflex[i]) return false;
        kor::BBox<2, double> box;
        if (m_placed && detail::InsideBound(*this, static_cast<int>(a), static_cast<int>(c), 0.0, m_extent, box) &&
            m_grid.Answers(box)) {
            bool blocked = false;
            m_grid.ForEachIn(box, [&](int j) {
                blocked = blocked || (j != static_cast<int>(a) && j != static_cast<int>(c) &&
                                      Blocks(i, static_cast<std::size_t>(j)));
            });
            return !blocked;
        }
        for (std::size_t j = m_next[c]; j != a; j = m_next[j])
            if (Blocks(i, j)) return false;
        return true;
    }

    // Whether corner j is not convex and lies in the triangle of corner i, or on its border.
    bool Blocks(std::size_t i, std::size_t j) const {
        const std::size_t a = m_prev[i], c = m_next[i];
        return m_reflex[j] && Turn(At(i), At(a), At(j)) >= 0.0 && Turn(At(c), At(i), At(j)) >= 0.0 &&
               Turn(At(a), At(c), At(j)) >= 0.0;
    }

    // Files the vertices by place.
    void Place() {
        std::vector<Point> points;
        points.reserve(m_v.size());
        kor::BBox<2, double> box;
        for (std::size_t i = 0; i < m_v.size(); ++i) box.Extend(points.emplace_back(At(i)));
        m_extent = detail::LargerSide(box);
        m_grid = detail::PlaceGrid(points, box);
        m_placed = true;
    }

    // Whether the segment from vertex a to vertex b starts inside the corner at a.
    bool LocallyInside(std::size_t a, std::size_t b) const {
        const Point &before = At(m_prev[a]), &at = At(a), &after = At(m_next[a]), &to = At(b);
        return Convex(a) ? Turn(to, at, after) <= 0.0 && Turn(before, at, to) <= 0.0
                         : Turn(to, at, before) > 0.0 || Turn(after, at, to) > 0.0;
    }

    // Whether the segments p-q and r-s cross or touch.
    static bool Meet(const Point& p, const Point& q, const Point& r, const Point& s) {
        auto side = [](const Point& a, const Point& b, const Point& c) {
            const double t = Turn(a, b, c);
            return t > 0.0 ? 1 : t < 0.0 ? -1 : 0;
        };
        auto within = [](const Point& a, const Point& b, const Point& c) {  // c, on the line, lies on a-b
            return c.x() <= std::max(a.x(), b.x()) && c.x() >= std::min(a.x(), b.x()) &&
                   c.y() <= std::max(a.y(), b.y()) && c.y() >= std::min(a.y(), b.y());
        };
        const int o1 = side(p, q, r), o2 = side(p, q, s), o3 = side(r, s, p), o4 = side(r, s, q);
        if (o1 != o2 && o3 != o4) return true;
        return (o1 == 0 && within(p, q, r)) || (o2 == 0 && within(p, q, s)) || (o3 == 0 && within(r, s, p)) ||
               (o4 == 0 && within(r, s, q));
    }

    // A diagonal between two vertices that are no neighbours and stand apart, inside
    // the ring at both ends and meeting no edge that does not end where it does.
    bool FindDiagonal(std::size_t start, std::size_t count, std::size_t& a, std::size_t& b) const {
        a = start;
        for (std::size_t k = 0; k < count; ++k, a = m_next[a])
            for (b = m_next[m_next[a]]; b != m_prev[a]; b = m_next[b]) {
                if (At(a) == At(b) || !LocallyInside(a, b) || !LocallyInside(b, a) || !MiddleInside(a, b, count))
                    continue;
                bool clear = true;
                for (std::size_t e = a, n = 0; clear && n < count; ++n, e = m_next[e]) {
                    const std::size_t f = m_next[e];
                    if (At(e) == At(a) || At(e) == At(b) || At(f) == At(a) || At(f) == At(b)) continue;
                    clear = !Meet(At(a), At(b), At(e), At(f));
                }
                if (clear) return true;
            }
        return false;
    }

    // Whether the middle of the segment a-b lies inside the ring (crossings of a ray
    // towards +x): at a place where the ring touches itself, being inside at both
    // ends does not say that the segment runs inside.
    bool MiddleInside(std::size_t a, std::size_t b, std::size_t count) const {
        const double x = (At(a).x() + At(b).x()) / 2, y = (At(a).y() + At(b).y()) / 2;
        bool inside = false;
        for (std::size_t e = a, n = 0; n < count; ++n, e = m_next[e]) {
            const Point &p = At(e), &q = At(m_next[e]);
            if ((p.y() > y) != (q.y() > y) && x < (q.x() - p.x()) * (y - p.y()) / (q.y() - p.y()) + p.x())
                inside = !inside;
        }
        return inside;
    }

    // Splits the ring by the diagonal a-b: a keeps the part from a on to b; copies of
    // both ends make the other part, whose copy of b is returned. Both sides of the
    // diagonal are cuts.
    std::size_t Split(std::size_t a, std::size_t b) {
        const std::size_t a2 = m_v.size(), b2 = a2 + 1;
        m_v.push_back(m_v[a]);
        m_v.push_back(m_v[b]);
        m_next.resize(b2 + 1);
        m_prev.resize(b2 + 1);
        const std::size_t afterA = m_next[a], beforeB = m_prev[b];
        m_next[a] = b;
        m_prev[b] = a;
        m_v[b].SetExterior(false);
        m_next[b2] = a2;
        m_prev[a2] = b2;
        m_v[a2].SetExterior(false);
        m_next[a2] = afterA;
        m_prev[afterA] = a2;
        m_next[beforeB] = b2;
        m_prev[b2] = beforeB;
        m_reflex.resize(b2 + 1);
        m_placed = false;  // the grid holds neither the copies nor what part a vertex is in
        for (const std::size_t corner : {a, b, a2, b2}) Classify(corner);
        return b2;
    }

    VertexList m_v;
    const std::vector<Point>& m_positions;
    std::vector<std::size_t> m_next, m_prev;
    std::vector<char> m_reflex;  // per vertex: whether its corner is not convex
    bool m_placed = false;       // whether the ear test searches m_grid
    double m_extent = 0.0;       // the larger side of their box
    detail::PlaceGrid m_grid;
};

// Cuts a ring of positive area whose corners do not all turn left (a loop the exact
// steps could not split, which may touch itself) into strictly convex triangles.
void Triangulate(const VertexList& ring, const std::vector<Point>& positions, std::vector<VertexList>& out) {
    EarRing(ring, positions).Cut(0, ring.size(), out);
}

// Coordinates up to this size square and multiply without overflow.
constexpr double kLargestPlainCoordinate = 0x1p500;

// The box of the finite positions the loops name.
kor::BBox<2, double> NamedBox(const std::vector<Point>& positions, const std::vector<Loop>& loops) {
    kor::BBox<2, double> box;
    for (const Loop& loop : loops)
        for (const Vertex& v : loop.Vertices())
            if (v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < positions.size()) {
                const Point& p = positions[static_cast<std::size_t>(v.Index())];
                if (std::isfinite(p.x()) && std::isfinite(p.y())) box.Extend(p);
            }
    return box;
}

// The power of two that brings the box's coordinates within kLargestPlainCoordinate:
// 1 where they are.
double ScaleFor(const kor::BBox<2, double>& box) {
    const double largest = box.IsEmpty() ? 0.0
                                         : std::max({std::fabs(box.min.x()), std::fabs(box.min.y()),
                                                     std::fabs(box.max.x()), std::fabs(box.max.y())});
    if (!(largest > kLargestPlainCoordinate)) return 1.0;
    int exponent = 0;
    std::frexp(largest, &exponent);  // largest < 2^exponent
    return kLargestPlainCoordinate * std::ldexp(1.0, -exponent);
}

}  // namespace

std::vector<Loop> MergeConvexLoops(const std::vector<kor::Vec<2, double>>& positions, const std::vector<Loop>& loops,
                                   const ConvexMergeOptions& options) {
    // The step's decisions multiply coordinate differences, which overflow on
    // coordinates far beyond kLargestPlainCoordinate: there it works on the positions
    // scaled by a power of two. Such scaling is exact, and every decision compares
    // what scales alike (turns with the tolerance, depths with the slop), so the step
    // decides as it would on the positions themselves wherever those do not overflow.
    const kor::BBox<2, double> box = NamedBox(positions, loops);
    const double scale = ScaleFor(box);
    std::vector<Point> scaled;
    if (scale != 1.0)
        for (const Point& p : positions) scaled.emplace_back(p.x() * scale, p.y() * scale);
    const std::vector<Point>& points = scale != 1.0 ? scaled : positions;
    // The box scales exactly too: its extent is the scaled positions' extent.
    const double extent =
        box.IsEmpty() ? 0.0
                      : detail::LargerSide(kor::BBox<2, double>(Point(box.min.x() * scale, box.min.y() * scale),
                                                                Point(box.max.x() * scale, box.max.y() * scale)));
    const double tolerance = kRelativeTurn * (extent * extent);
    const std::size_t limit = options.maxVertices == 0 ? 0 : std::max(options.maxVertices, kSmallestVertexBound);
    const double slop = std::isfinite(options.slop) && options.slop > 0.0 ? options.slop * scale : 0.0;
    // The convex pieces, and the loops that are not, cut into triangles.
    std::vector<VertexList> triangles;
    std::vector<std::size_t> trianglesOf(loops.size() + 1, 0);  // per loop, where its triangles begin
    std::vector<bool> convex(loops.size());
    for (std::size_t i = 0; i < loops.size(); ++i) {
        trianglesOf[i] = triangles.size();
        const VertexList& loop = loops[i].Vertices();
        const bool valid = OnFinitePositions(loop, points);
        convex[i] = valid && IsPiece(loop, points, tolerance);
        if (valid && !convex[i] && HasArea(loop, points)) Triangulate(loop, points, triangles);
    }
    trianglesOf[loops.size()] = triangles.size();
    std::vector<const VertexList*> pieces;
    pieces.reserve(loops.size() + triangles.size());
    for (std::size_t i = 0; i < loops.size(); ++i) {
        if (convex[i]) pieces.push_back(&loops[i].Vertices());
        for (std::size_t t = trianglesOf[i]; t < trianglesOf[i + 1]; ++t) pieces.push_back(&triangles[t]);
    }
    std::vector<VertexList> joined;
    if (options.merge) {
        joined = Joined(points, pieces, tolerance, limit, options.clean);
        Recutter(joined, points, tolerance).Run();
    } else {
        for (const VertexList* piece : pieces) joined.push_back(*piece);
    }

    std::vector<Loop> result;
    result.reserve(joined.size());
    std::vector<VertexList> bounded, cut;
    // Cleaning or halving a ring with corners that turn the wrong way within the
    // tolerance (between two tiny edges) can leave a part that turns the wrong way
    // beyond it, seen from a far vertex: such a sliver is cut into triangles, or
    // dropped when it encloses no area. Under a slop, what the slop takes out goes;
    // a piece whose tiny edges hide a wrong-way turn (the slop would cross it) is cut
    // into triangles that the slop takes one by one.
    std::vector<VertexList> slivers;
    auto keep = [&](VertexList&& piece) {
        const detail::SlopOutcome outcome =
            slop > 0.0 ? detail::ApplySlop(piece, points, slop, tolerance) : detail::SlopOutcome::Kept;
        if (outcome == detail::SlopOutcome::Kept) result.emplace_back(positions, std::move(piece));
        if (outcome != detail::SlopOutcome::NotConvex) return;
        slivers.clear();
        Triangulate(piece, points, slivers);
        for (VertexList& triangle : slivers)
            if (detail::ApplySlop(triangle, points, slop, tolerance) == detail::SlopOutcome::Kept)
                result.emplace_back(positions, std::move(triangle));
    };
    auto emit = [&](VertexList&& piece) {
        if (IsPiece(piece, points, tolerance)) {
            keep(std::move(piece));
            return;
        }
        cut.clear();
        if (HasArea(piece, points)) Triangulate(piece, points, cut);
        for (VertexList& triangle : cut) keep(std::move(triangle));
    };
    for (std::size_t k = 0; k < joined.size(); ++k) {
        VertexList& ring = joined[k];
        if (ring.empty()) continue;  // joined into an earlier piece, or left empty by a re-cut
        // The size at which the ring passed as a piece (0: not tested). Cleaning and the
        // slop only drop vertices, so a ring of that size still is the piece it was.
        const std::size_t tested = ring.size() > 3 ? ring.size() : 0;
        if (tested != 0 && (!IsPiece(ring, points, tolerance) || !TurnsOnce(ring, points))) {
            // Pieces that overlap (the triangles of a loop that crosses itself) can join
            // into a ring that is not convex: cut into triangles again, in its place
            // (a triangle the cutting makes turns left, and stays as it is).
            cut.clear();
            if (HasArea(ring, points)) Triangulate(ring, points, cut);
            ring.clear();
            joined.insert(joined.begin() + static_cast<std::ptrdiff_t>(k) + 1, cut.begin(), cut.end());
            continue;
        }
        if (options.clean) ring = Clean(std::move(ring), points, tolerance);
        // Before a bound, so that the halves are cut from what the slop keeps (the
        // halves are taken through it again: a half can be thin where the ring is
        // not); a ring that cleaning left no piece is cut into triangles first.
        if (slop > 0.0 && limit != 0 && IsPiece(ring, points, tolerance) &&
            detail::ApplySlop(ring, points, slop, tolerance) == detail::SlopOutcome::LeftOut)
            continue;
        const bool fits = limit == 0 || ring.size() <= limit;
        if (fits && ring.size() == tested) {
            keep(std::move(ring));
        } else if (fits) {
            emit(std::move(ring));
        } else {
            bounded.clear();
            Bound(ring, limit, bounded);
            for (VertexList& piece : bounded) emit(std::move(piece));
        }
    }
    return result;
}

}  // namespace ShapeExport
}  // namespace kor
