// Convex cuts with the same pieces, in the same order, as the simple steps
// (SimpleDecomposition.cpp), at a cost that grows with the pieces rather than with
// the square of the loop:
//   - the loop is a ring of nodes that cuts unlink; a cut only changes the corners
//     at its two ends, so the strictly convex corners and the others are kept in two
//     sets, and "the first corner of either kind after a node, in list order" (where
//     the scan for a start and the run over corners that are not strictly convex
//     stop) is a lookup, not a walk;
//   - "the first vertex after the piece, in list order, that lies inside it": where
//     the piece's corners all turn left, no point outside a box around it
//     (InsideBound) can pass the exact test; on a long loop, where that box meets
//     few cells of a grid of places, the vertices of those cells get the test, and
//     the first one in list order that passes is the answer; else it comes from a
//     tree of bounding boxes over the nodes in list order, and every vertex that is
//     not skipped gets the exact test, in list order. A subtree is skipped where its
//     box misses the piece's box or lies wholly beyond the piece's diagonal, only
//     when the exact test would find each of its points outside: the turn measure
//     is monotone in each coordinate of the point (rounding to nearest is
//     monotone), so its largest value over the box is the one computed at the
//     box's extreme corner, with the same arithmetic;
//   - after each cut the search starts again from the first corner that is not
//     strictly convex and would make the same failed tries again: a try that ended
//     too small is remembered, filed under the vertices it read, until a cut
//     removes one of them (TryPiece), and the set of strictly convex corners leaves
//     out those whose previous vertex's try is remembered, so the search passes
//     over such tries in one lookup; a try made again after such a cut checks
//     first the vertices its last failure found inside, and where each of its
//     pieces still holds one of them in the order the search meets them, it fails
//     again without a search (ShrinksAway).
// The loop's list order is the cyclic order of its surviving nodes from `head`: a
// cut removes the nodes strictly between its ends, and a cut that wraps past the
// end of the list makes the list begin at the piece's last vertex.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include <kor/math/BBox.h>

#include "Decomposition.h"
#include "DecompositionRules.h"
#include "PlaceGrid.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// Loops this short are cut by the simple steps: building the index costs more.
constexpr std::size_t kShortLoop = 24;
// The link of a node that a cut removed.
constexpr int kRemoved = -1;
// Loops this long get a grid of places too: on shorter ones the box tree costs less
// than building the grid.
constexpr std::size_t kGridLoop = 256;

using Box = kor::BBox<2, double>;

// The points X beyond the line A -> B, where Turn(A, B, X) <= -kTurnTolerance, and
// the largest Turn(A, B, X) over the points of a box, as computed: the turn is
// monotone in X.x and in X.y (the signs of A - B say which way), so it is largest at
// one corner, and rounding to nearest keeps that order.
class TurnBound {
public:
    TurnBound() = default;
    TurnBound(const Point& A, const Point& B) : m_B(B), m_dx(A.x() - B.x()), m_dy(A.y() - B.y()) {}

    // Whether every point of the box lies beyond the line.
    bool Excludes(const Box& box) const {
        const double x = m_dy >= 0.0 ? box.min.x() : box.max.x();
        const double y = m_dx >= 0.0 ? box.max.y() : box.min.y();
        // Turn(A, B, X) with A - B taken once: the same operations in the same order.
        const double largest = m_dx * (y - m_B.y()) - m_dy * (x - m_B.x());
        return largest <= -kTurnTolerance;
    }

private:
    Point m_B;
    double m_dx = 0.0;
    double m_dy = 0.0;
};

// A set of nodes with "the first member in a range" in a few word operations: one
// bit per node, and one summary bit per word that has any member.
class NodeSet {
public:
    explicit NodeSet(int size)
        : m_words((static_cast<std::size_t>(size) + 63) / 64), m_summary((m_words.size() + 63) / 64) {}

    void Insert(int node) {
        const std::size_t w = static_cast<std::size_t>(node) >> 6;
        m_words[w] |= Bit(node);
        m_summary[w >> 6] |= Bit(static_cast<int>(w));
    }
    void Erase(int node) {
        const std::size_t w = static_cast<std::size_t>(node) >> 6;
        m_words[w] &= ~Bit(node);
        if (m_words[w] == 0) m_summary[w >> 6] &= ~Bit(static_cast<int>(w));
    }

    // The first member in [first, last], or -1.
    int First(int first, int last) const {
        if (first > last) return -1;
        const std::size_t from = static_cast<std::size_t>(first) >> 6;
        const std::size_t to = static_cast<std::size_t>(last) >> 6;
        std::uint64_t bits = m_words[from] & (~std::uint64_t{0} << (first & 63));
        if (from == to) return Lowest(from, bits & UpTo(last));
        if (bits) return Lowest(from, bits);
        // Whole words between, found through the summary.
        for (std::size_t w = from + 1; w < to;) {
            const std::uint64_t summary = m_summary[w >> 6] & (~std::uint64_t{0} << (w & 63));
            if (summary == 0) {
                w = ((w >> 6) + 1) << 6;
                continue;
            }
            const std::size_t found = ((w >> 6) << 6) + static_cast<std::size_t>(__builtin_ctzll(summary));
            if (found < to) return Lowest(found, m_words[found]);
            break;
        }
        return Lowest(to, m_words[to] & UpTo(last));
    }

private:
    static std::uint64_t Bit(int n) { return std::uint64_t{1} << (n & 63); }
    static std::uint64_t UpTo(int n) { return (n & 63) == 63 ? ~std::uint64_t{0} : (Bit(n) << 1) - 1; }
    static int Lowest(std::size_t word, std::uint64_t bits) {
        return bits ? static_cast<int>((word << 6) + static_cast<std::size_t>(__builtin_ctzll(bits))) : -1;
    }

    std::vector<std::uint64_t> m_words;
    std::vector<std::uint64_t> m_summary;
};

// Bounding boxes of the living nodes in their original order: the nodes in blocks
// of kBlock, the blocks as the leaves of a complete binary tree of boxes.
class BoxTree {
public:
    explicit BoxTree(const std::vector<Point>& points) : m_points(points), m_alive(points.size(), 1) {
        const std::size_t blocks = (points.size() + kBlock - 1) / kBlock;
        m_leaves = 1;
        while (m_leaves < blocks) m_leaves <<= 1;
        m_boxes.resize(2 * m_leaves);
        for (std::size_t b = 0; b < blocks; ++b) m_boxes[m_leaves + b] = BlockBox(b);
        for (std::size_t t = m_leaves - 1; t > 0; --t) m_boxes[t] = Merged(t);
    }

    // The boxes above a block change only as far as the block's box changes them.
    void Remove(int node) {
        m_alive[static_cast<std::size_t>(node)] = 0;
        std::size_t t = m_leaves + static_cast<std::size_t>(node) / kBlock;
        for (Box box = BlockBox(t - m_leaves); t > 0 && !(box.min == m_boxes[t].min && box.max == m_boxes[t].max);
             t >>= 1) {
            m_boxes[t] = box;
            if (t > 1) box = Merged(t >> 1);
        }
    }

    // The first living node in [first, last] whose point `skip` does not exclude, or
    // -1. Blocks, and subtrees of blocks, that lie wholly in the range and whose box
    // `skip` excludes are passed over; the walk goes from the block of `first`
    // rightwards over the largest such subtrees.
    template <typename Skip>
    int First(int first, int last, const Skip& skip) const {
        const std::size_t firstBlock = static_cast<std::size_t>(first) / kBlock;
        const int lastBlock = last / static_cast<int>(kBlock);
        const int found = Scan(first, std::min(last, BlockEnd(firstBlock)), skip);
        if (found >= 0 || static_cast<int>(firstBlock) == lastBlock) return found;
        std::size_t t = m_leaves + firstBlock + 1;
        int height = 0;
        for (;;) {
            while ((t & 1) == 0 && t > 1 && High(t >> 1, height + 1) < lastBlock) {
                t >>= 1;
                ++height;
            }
            const int inside = Descend(t, height, last, skip);
            if (inside >= 0) return inside;
            while (t & 1) {
                t >>= 1;
                ++height;
            }
            if (t == 0 || Low(++t, height) > lastBlock) return -1;
        }
    }

private:
    static constexpr std::size_t kBlock = 8;

    int BlockEnd(std::size_t block) const {
        return static_cast<int>(std::min(m_points.size(), (block + 1) * kBlock)) - 1;
    }
    int Low(std::size_t t, int height) const { return static_cast<int>((t << height) - m_leaves); }
    int High(std::size_t t, int height) const { return Low(t, height) + (1 << height) - 1; }

    Box BlockBox(std::size_t block) const {
        Box box;
        for (std::size_t n = block * kBlock; n < m_points.size() && n < (block + 1) * kBlock; ++n)
            if (m_alive[n]) box.Extend(m_points[n]);
        return box;
    }
    Box Merged(std::size_t t) const {
        Box box = m_boxes[2 * t];
        box.Extend(m_boxes[2 * t + 1]);
        return box;
    }

    // The nodes first .. last one by one.
    template <typename Skip>
    int Scan(int first, int last, const Skip& skip) const {
        for (int n = first; n <= last; ++n) {
            const Point& p = m_points[static_cast<std::size_t>(n)];
            if (m_alive[static_cast<std::size_t>(n)] && !skip(Box(p, p))) return n;
        }
        return -1;
    }

    // Subtree t of blocks, from its first block on (it starts inside the range).
    template <typename Skip>
    int Descend(std::size_t t, int height, int last, const Skip& skip) const {
        const int lo = Low(t, height);
        if (lo * static_cast<int>(kBlock) > last || m_boxes[t].IsEmpty()) return -1;
        // A subtree reaching past `last` is only looked into: skipping it where its box
        // is excluded would be as exact, but that box, spread by points beyond the
        // range, seldom is: on the real polygons, testing it costs about what it saves.
        if ((High(t, height) + 1) * static_cast<int>(kBlock) - 1 <= last && skip(m_boxes[t])) return -1;
        if (height == 0)
            return Scan(lo * static_cast<int>(kBlock), std::min(last, BlockEnd(static_cast<std::size_t>(lo))), skip);
        const int found = Descend(2 * t, height - 1, last, skip);
        return found >= 0 ? found : Descend(2 * t + 1, height - 1, last, skip);
    }

    const std::vector<Point>& m_points;
    std::vector<char> m_alive;
    std::size_t m_leaves;
    std::vector<Box> m_boxes;
};

// One loop being cut into pieces.
class RingCutter {
public:
    RingCutter(const VertexList& loop, const Points& points)
        : m_size(static_cast<int>(loop.size())),
          m_count(m_size),
          m_vertices(loop),
          m_points(PointsOf(loop, points)),
          m_tree(m_points),
          m_untried(m_size),
          m_notConvex(m_size),
          m_failed(loop.size(), 0),
          m_readers(loop.size(), -1),
          m_foundAt(loop.size(), -1) {
        m_next.resize(loop.size());
        m_prev.resize(loop.size());
        for (int n = 0; n < m_size; ++n) {
            m_next[static_cast<std::size_t>(n)] = n + 1 == m_size ? 0 : n + 1;
            m_prev[static_cast<std::size_t>(n)] = n == 0 ? m_size - 1 : n - 1;
        }
        for (int n = 0; n < m_size; ++n) Classify(n);
        Box box;  // the points are finite (the fast steps' precondition)
        for (const Point& p : m_points) box.Extend(p);
        m_extent = LargerSide(box);
        if (loop.size() >= kGridLoop) {
            m_hasGrid = true;
            m_grid = PlaceGrid(m_points, box);
        }
    }

    // Cuts one piece off, as CutPiece does; false when the loop cannot be split.
    bool Cut(VertexList& piece) {
        int a = -1, c = -1;
        if (!FindPiece(*this, a, c)) return false;
        CutOff(a, c, piece);
        return true;
    }

    // The ring the rules of DecompositionRules.h walk.
    int Count() const { return m_count; }
    int Next(int n) const { return m_next[static_cast<std::size_t>(n)]; }
    int Prev(int n) const { return m_prev[static_cast<std::size_t>(n)]; }
    const Point& P(int n) const { return m_points[static_cast<std::size_t>(n)]; }
    int FirstNotConvex() const { return FirstFrom(m_notConvex, m_head, Prev(m_head)); }
    int FirstConvex(int k, int r) const { return FirstFrom(m_untried, k, Prev(r)); }
    // The box the piece's inside points can lie in, where its corners all turn left
    // (the grid is searched in it, or the tree pruned by it), and the line beyond
    // which the tree's boxes are pruned too: the diagonal c -> a.
    void Bound(int a, int c) {
        m_bounded = InsideBound(*this, a, c, kTurnTolerance, m_extent, m_region);
        m_local = m_bounded && m_hasGrid && m_grid.Answers(m_region);
        m_diagonal = TurnBound(P(a), P(c));
    }
    // The first node from k to a, in list order, that lies inside the piece a..c
    // (from the grid) or that the boxes do not put outside it (from the tree); a
    // when there is none.
    int Candidate(int k, int a, int c) const {
        auto beyond = [this](const Box& box) { return Beyond(box); };
        if (k == a) return a;
        const int last = Prev(a);
        if (m_local) {
            // Nodes as places in list order from k: those up to `last` lie outside the piece.
            auto place = [this, k](int n) { return n >= k ? n - k : n - k + m_size; };
            const int lastPlace = place(last);
            int first = lastPlace + 1;
            m_grid.ForEachIn(m_region, [&](int n) {
                if (Next(n) != kRemoved && place(n) < first && m_region.Contains(P(n)) && InsidePiece(*this, n, a, c))
                    first = place(n);
            });
            return first > lastPlace ? a : (first + k) % m_size;
        }
        if (k <= last) {
            const int n = m_tree.First(k, last, beyond);
            return n >= 0 ? n : a;
        }
        int n = m_tree.First(k, m_size - 1, beyond);
        if (n < 0) n = m_tree.First(0, last, beyond);
        return n >= 0 ? n : a;
    }

    void Inside(int k) { m_inside.push_back(k); }
    // A failed try leaves the vertices it found inside, in the order its check met
    // them; the next try from the same start checks them first. Where each piece
    // a..c, a..Prev(c), ... down to three vertices holds one of them that is left,
    // each not before the one of the piece above (taken in that order, they are
    // not), the check from c+1 finds a vertex inside each piece (that one or one
    // before it; a vertex of the piece itself is never inside it), so the try ends
    // too small; those vertices are noted as found inside, which is what the
    // failure depends on.
    bool ShrinksAway(int a, int c) {
        const int at = m_foundAt[static_cast<std::size_t>(a)];
        if (at < 0) return false;
        const int* found = &m_found[static_cast<std::size_t>(at) + 1];
        const int count = m_found[static_cast<std::size_t>(at)];
        auto holds = [&](int piece, int n) { return Next(n) != kRemoved && InsidePiece(*this, n, a, piece); };
        int h = 0;
        for (int piece = c; piece != Next(a); piece = Prev(piece)) {
            while (h < count && !holds(piece, found[h])) ++h;
            if (h == count) {
                m_inside.clear();  // the check comes first in a try: nothing else was noted
                return false;
            }
            m_inside.push_back(found[h]);
        }
        return true;
    }
    // Remembers the failure, and files it under each vertex the try depended on:
    // a .. Next(grown) and the vertices found inside (TryPiece).
    void Failed(int a, int grown) {
        const int stamp = ++m_stamps;
        m_failed[static_cast<std::size_t>(a)] = stamp;
        m_untried.Erase(Next(a));
        for (int n = a;; n = Next(n)) {
            AddReader(n, a, stamp);
            if (n == grown) break;
        }
        AddReader(Next(grown), a, stamp);
        for (int k : m_inside) AddReader(k, a, stamp);
        m_foundAt[static_cast<std::size_t>(a)] = static_cast<int>(m_found.size());
        m_found.push_back(static_cast<int>(m_inside.size()));
        m_found.insert(m_found.end(), m_inside.begin(), m_inside.end());
        m_inside.clear();
    }

    // The loop's vertices in list order.
    VertexList Remaining() const {
        VertexList rest;
        rest.reserve(static_cast<std::size_t>(m_count));
        int n = m_head;
        for (int i = 0; i < m_count; ++i, n = Next(n)) rest.push_back(m_vertices[static_cast<std::size_t>(n)]);
        return rest;
    }

private:
    static std::vector<Point> PointsOf(const VertexList& loop, const Points& points) {
        std::vector<Point> result;
        result.reserve(loop.size());
        for (const Vertex& v : loop) result.push_back(points[v.Index()]);
        return result;
    }

    // The place of node n in list order (an order, not a count).
    int Place(int n) const { return n >= m_head ? n - m_head : n - m_head + m_size; }

    // The first member of `set` from node `first` to node `last` in list order.
    static int FirstFrom(const NodeSet& set, int first, int last, int size) {
        if (first <= last) return set.First(first, last);
        const int found = set.First(first, size - 1);
        return found >= 0 ? found : set.First(0, last);
    }
    int FirstFrom(const NodeSet& set, int first, int last) const { return FirstFrom(set, first, last, m_size); }

    // Files node n under its corner's kind, and among the starts still to try when
    // it is strictly convex and the try from the node before is not known to fail.
    void Classify(int n) {
        const bool convex = StrictlyConvex(*this, n);
        if (convex)
            m_notConvex.Erase(n);
        else
            m_notConvex.Insert(n);
        if (convex && m_failed[static_cast<std::size_t>(Prev(n))] == 0)
            m_untried.Insert(n);
        else
            m_untried.Erase(n);
    }

    // Whether the exact test finds every point of the box outside the piece. (The
    // lines of the piece's edges could prune too, as exactly as its diagonal; on the
    // real polygons that costs 3-12% more than it saves, whether the single points
    // of a block are tested against them or only the boxes.)
    bool Beyond(const Box& box) const {
        if (m_bounded && (box.min.x() > m_region.max.x() || box.max.x() < m_region.min.x() ||
                          box.min.y() > m_region.max.y() || box.max.y() < m_region.min.y()))
            return true;
        return m_diagonal.Excludes(box);
    }

    // Try `start`, whose failure is filed as `stamp`, read node n.
    void AddReader(int n, int start, int stamp) {
        m_reads.push_back({start, stamp, m_readers[static_cast<std::size_t>(n)]});
        m_readers[static_cast<std::size_t>(n)] = static_cast<int>(m_reads.size() - 1);
    }
    // Node n is removed: the failures of the tries that read it are forgotten (a
    // failure filed again since has a newer stamp), their starts kept in m_forgotten
    // to be filed again once the cut is done. A cut also relinks its ends, but a try
    // that read one of those links read the node it led to, which the cut removes.
    void Forget(int n) {
        for (int r = m_readers[static_cast<std::size_t>(n)]; r >= 0; r = m_reads[static_cast<std::size_t>(r)].next) {
            const Read& read = m_reads[static_cast<std::size_t>(r)];
            if (m_failed[static_cast<std::size_t>(read.start)] == read.stamp) {
                m_failed[static_cast<std::size_t>(read.start)] = 0;
                m_forgotten.push_back(read.start);
            }
        }
        m_readers[static_cast<std::size_t>(n)] = -1;
    }

    void CutOff(int a, int c, VertexList& piece) {
        std::size_t length = 1;
        for (int n = a; n != c; n = Next(n)) ++length;
        piece.clear();
        piece.reserve(length);
        for (int n = a;; n = Next(n)) {
            piece.push_back(m_vertices[static_cast<std::size_t>(n)]);
            if (n == c) break;
        }
        piece.front().SetExterior(false);
        const bool wraps = Place(c) < Place(a);
        for (int n = Next(a); n != c;) {
            Forget(n);
            const int following = Next(n);
            m_tree.Remove(n);
            m_untried.Erase(n);
            m_notConvex.Erase(n);
            m_next[static_cast<std::size_t>(n)] = kRemoved;
            --m_count;
            n = following;
        }
        m_next[static_cast<std::size_t>(a)] = c;
        m_prev[static_cast<std::size_t>(c)] = a;
        m_vertices[static_cast<std::size_t>(c)].SetExterior(false);
        if (wraps) m_head = c;
        m_inside.clear();
        Classify(a);
        Classify(c);
        for (int start : m_forgotten)
            if (Next(start) != kRemoved) Classify(Next(start));
        m_forgotten.clear();
    }

    int m_size;   // nodes at the start
    int m_count;  // nodes left
    int m_head = 0;
    VertexList m_vertices;
    std::vector<Point> m_points;
    std::vector<int> m_next;
    std::vector<int> m_prev;
    BoxTree m_tree;
    bool m_hasGrid = false;  // whether the loop is long enough
    double m_extent = 0.0;   // the larger side of the points' box
    PlaceGrid m_grid;
    bool m_bounded = false;  // whether m_region holds the piece's inside points
    bool m_local = false;    // whether the grid answers for the piece being checked
    Box m_region;            // where its inside points can lie
    NodeSet m_untried;       // strictly convex corners whose previous node's
                             // try is not known to fail
    NodeSet m_notConvex;     // the corners that are not strictly convex
    TurnBound m_diagonal;
    // Tries known to fail: for each start, the stamp of its failure or 0; for each
    // node, the first of the tries that read it, in a list of records in m_reads.
    struct Read {
        int start, stamp, next;
    };
    std::vector<int> m_failed;
    std::vector<int> m_readers;
    std::vector<Read> m_reads;
    std::vector<int> m_inside;     // the vertices found inside in the current try
    // What the last failed try from each start found inside (ShrinksAway): per start,
    // where in m_found its count and its vertices, in list order, stand, or -1.
    std::vector<int> m_foundAt;
    std::vector<int> m_found;
    std::vector<int> m_forgotten;  // starts whose failure the current cut forgot
    int m_stamps = 0;
};

}  // namespace

void CutPiecesFast(WorkingList& list, const Points& points, bool& limited) {
    const std::size_t count = list.Size();
    list.ReserveForPieces();
    for (std::size_t index = 0; index < count; ++index) {
        if (list.loops[index].size() <= 3) continue;
        if (list.loops[index].size() <= kShortLoop) {
            AddPieces(list, points, limited,
                      [&](VertexList& piece) { return CutPiece(list.loops[index], points, piece); });
            continue;
        }
        RingCutter ring(list.loops[index], points);
        AddPieces(list, points, limited, [&](VertexList& piece) { return ring.Cut(piece); });
        list.loops[index] = ring.Remaining();
    }
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
