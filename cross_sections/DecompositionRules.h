// Internal: the rules of the decomposition, written once. The simple steps
// (SimpleDecomposition.cpp, every point read through the lists) and the fast ones
// (FastHoleRemoval.cpp, FastConvexCuts.cpp, with an index over the points) differ
// only in how they find the next vertex or edge to look at; every tolerance
// comparison, every step of the search for a piece and every test of an edge
// against the ray is one of the functions below.
//
// The convex cuts are written over a ring Q of the loop being cut, which offers:
//   int Count()              vertices left
//   int Next(k), Prev(k)     the neighbours of vertex k in list order
//   const Point& P(k)        the point of vertex k
//   int FirstNotConvex()     the first vertex in list order whose corner is not
//                            strictly convex, or -1
//   int FirstConvex(k, r)    the first vertex from k up to (not including) r whose
//                            corner is strictly convex, or -1 (k != r); a ring that
//                            remembers failed tries may skip a vertex whose previous
//                            vertex's try is known to fail (Failed)
//   void Bound(a, c)         the piece a..c is about to be checked (an index may
//                            prepare for it)
//   int Candidate(k, a, c)   the first vertex from k up to a that may lie inside the
//                            piece a..c (a when there is none); it may skip only
//                            vertices that InsidePiece rejects
//   void Inside(k)           vertex k lies inside the piece being checked
//   bool ShrinksAway(a, c)   whether the ring knows that each piece a..c, a..Prev(c),
//                            down to a piece of three vertices, holds a vertex that
//                            the check from c+1 on finds (the try then ends too
//                            small); it notes those vertices as Inside
//   void Failed(a, grown)    the try from a, grown to `grown`, ended too small
#pragma once

#include <algorithm>
#include <cmath>

#include <kor/math/BBox.h>
#include <kor/math/Vec.h>

namespace kor {
namespace ShapeExport {
namespace detail {

using Point = kor::Vec<2, double>;

// The turn measures of the cuts: a corner is strictly convex when its turn is at
// or below -kTurnTolerance; a point lies on the inner side of an edge when its
// turn there is at or above +kTurnTolerance, and on the edge's line within it.
constexpr double kTurnTolerance = 1e-6;
// Hole removal: an edge touches the ray's line when the product of its ends'
// heights above the line is within kTouchTolerance of zero.
constexpr double kTouchTolerance = 1e-6;
// Convex cuts: a vertex on an edge's line coincides with the edge's end when their
// squared distance is at most kCoincidentDistance2.
constexpr double kCoincidentDistance2 = 1e-6;
// The computed Turn(A, B, X) lies within kTurnRounding * |A - B|_1 * max|X - B|
// (the largest coordinate difference) of the exact one: four roundings of half a
// unit in the last place, with room to spare.
constexpr double kTurnRounding = 1e-15;

// Cross product of A - B and C - B: negative where A, B, C turn counter-clockwise
// (a convex corner of a counter-clockwise loop).
inline double Turn(const Point& A, const Point& B, const Point& C) {
    return (A.x() - B.x()) * (C.y() - B.y()) - (A.y() - B.y()) * (C.x() - B.x());
}

inline double Distance2(const Point& p, const Point& q) {
    const double dx = p.x() - q.x();
    const double dy = p.y() - q.y();
    return dx * dx + dy * dy;
}

// The larger side of a box: how far apart its points can lie in x or in y (the
// `extent` of InsideBound for points in it).
inline double LargerSide(const kor::BBox<2, double>& box) {
    return std::max(box.max.x() - box.min.x(), box.max.y() - box.min.y());
}

inline bool IsStrictlyConvex(const Point& before, const Point& at, const Point& after) {
    return Turn(before, at, after) <= -kTurnTolerance;
}

// ---- Hole removal ----

// Where the ray from a hole's leftmost vertex M towards -x first meets the outline:
// the place of the vertex the bridge starts at (`at`), or of the start (`at`) and
// end (`end`) of the edge whose inside it meets at `point` (`split`).
template <typename Place>
struct RayHit {
    bool found = false;
    Place at{};
    bool split = false;
    Place end{};
    Point point;
};

// The edge A -> B (from place `from` to place `to`) against the ray from M: where it
// meets the ray right of the best x so far, `bestX`, it becomes the hit. Edges are
// met in list order; every comparison is strict, so the first of equals wins.
template <typename Place>
inline void MeetEdge(const Point& A, const Point& B, const Point& M, const Place& from, const Place& to, double& bestX,
                     RayHit<Place>& hit) {
    if (A.x() >= M.x() && B.x() >= M.x()) return;
    const double t = (B.y() - M.y()) * (A.y() - M.y());
    if (!(std::fabs(t) > kTouchTolerance)) {
        // The edge touches the ray's line at or near an end.
        if (A.x() > bestX) {
            bestX = A.x();
            hit = RayHit<Place>{true, from, false, Place{}, Point()};
        }
        if (B.x() > bestX) {
            bestX = B.x();
            hit = RayHit<Place>{true, to, false, Place{}, Point()};
        }
    } else if (t < -kTouchTolerance) {
        // A and B lie strictly on either side: the ray's line crosses the edge.
        const double xi = ((M.y() - A.y()) * (B.x() - A.x())) / (B.y() - A.y()) + A.x();
        if (xi < M.x() && xi > bestX) {
            bestX = xi;
            hit = RayHit<Place>{true, from, true, to, Point(xi, M.y())};
        }
    }
}

// ---- Convex cuts ----

template <typename Ring>
bool StrictlyConvex(const Ring& q, int k) {
    return IsStrictlyConvex(q.P(q.Prev(k)), q.P(k), q.P(q.Next(k)));
}

// Grows the piece a..k forward while closing it after k+1 would leave strictly
// convex corners at k, k+1 and a; returns its last vertex c.
template <typename Ring>
int GrowPiece(const Ring& q, int a, int k) {
    while (q.Next(k) != a && StrictlyConvex(q, k) && !(Turn(q.P(k), q.P(q.Next(k)), q.P(a)) > -kTurnTolerance) &&
           !(Turn(q.P(q.Next(k)), q.P(a), q.P(q.Next(a))) > -kTurnTolerance))
        k = q.Next(k);
    return k;
}

// Whether vertex k lies inside the piece a..c or on its boundary, without
// coinciding with an end of the edge it lies on.
template <typename Ring>
bool InsidePiece(const Ring& q, int k, int a, int c) {
    if (Turn(q.P(a), q.P(c), q.P(k)) <= -kTurnTolerance) return false;  // beyond the diagonal
    for (int d = c; d != a; d = q.Prev(d)) {
        const double u = Turn(q.P(d), q.P(q.Prev(d)), q.P(k));
        if (u >= kTurnTolerance) continue;  // on the inner side of this edge
        if (std::fabs(u) > kTurnTolerance) return false;
        // On the edge's line: a point repeated at an end (such as the two ends of a
        // bridge) counts as outside.
        if (!(Distance2(q.P(k), q.P(d)) > kCoincidentDistance2) ||
            !(Distance2(q.P(k), q.P(q.Prev(d))) > kCoincidentDistance2))
            return false;
    }
    return true;
}

// A box holding every point X whose computed Turn(B, A, X) against each line A -> B
// of the piece a..c (its edges and the closing one c -> a) is at least -tolerance,
// for X no farther than `extent` from the loop's points in x and in y, when every
// corner of the piece certainly turns left; false for other pieces. With
// kTurnTolerance, the points InsidePiece can find inside the piece.
//   Such an X lies where the exact turn is at least -tolerance - E, E the turn's
// rounding bound: at most delta = (tolerance + E) / |A - B| beyond each line. Push every
// line out by delta: where the corners turn left, the pushed lines meet in a ring of
// corners within delta / sin(phi / 2) of the piece's, phi the corner's angle, and
// each of its edges runs the way the piece's edge does, longer. X lies on the inner
// side of each of them, so the ring winds around X (every edge turns about X the
// same way): X lies in the ring's box, the piece's box grown by that much. (This
// holds for a ring that winds more than once too.)
// Bounds taken: |v| >= |v|_1 / 1.5, and 1 / sin(phi / 2) <= 1.5 at an obtuse corner,
// else <= 2 / sin(phi) <= 2 |u|_1 |w|_1 / |turn| for the corner's edges u and w;
// the grown box is doubled again for the rounding of these bounds.
template <typename Ring>
bool InsideBound(const Ring& q, int a, int c, double tolerance, double extent, kor::BBox<2, double>& box) {
    if (q.Next(a) == c) return false;
    box.Clear();
    double delta = 0.0, reach = 0.0;
    for (int before = c, n = a;; before = n, n = q.Next(n)) {
        const Point& at = q.P(n);
        const Point& prior = q.P(before);
        const Point& after = q.P(n == c ? a : q.Next(n));
        const double ux = prior.x() - at.x(), uy = prior.y() - at.y();
        const double wx = after.x() - at.x(), wy = after.y() - at.y();
        const double u1 = std::fabs(ux) + std::fabs(uy), w1 = std::fabs(wx) + std::fabs(wy);
        // The turn at the corner, less its rounding bound: positive when it certainly turns left.
        const double certain = -Turn(prior, at, after) - kTurnRounding * u1 * std::max(std::fabs(wx), std::fabs(wy));
        if (!(certain > 0.0)) return false;
        delta = std::max(delta, 1.5 * (tolerance + kTurnRounding * w1 * extent) / w1);  // beyond at -> after
        reach = std::max(reach, ux * wx + uy * wy <= 0.0 ? 1.5 : 2.0 * u1 * w1 / certain);
        box.Extend(at);
        if (n == c) break;
    }
    const double margin = 2.0 * delta * reach;
    if (!std::isfinite(margin)) return false;
    box = kor::BBox<2, double>(Point(box.min.x() - margin, box.min.y() - margin),
                               Point(box.max.x() + margin, box.max.y() + margin));
    return true;
}

// Shrinks the piece a..c while a vertex outside it, checked in list order from c+1
// to a-1, lies inside it. Returns the final c, or -1 when the piece became too small.
// A vertex found outside stays outside the smaller piece, so the check goes on; a
// vertex found inside is checked again against the smaller piece first, so that the
// ring bounds a piece for its search only once the piece no longer holds it. A ring
// that knows the piece and every smaller one hold a vertex the check meets ends the
// try at once.
template <typename Ring>
int ShrinkPiece(Ring& q, int a, int c) {
    if (q.ShrinksAway(a, c)) return -1;
    q.Bound(a, c);
    int bounded = c;  // the piece a..bounded is the one the ring's search is bounded to
    for (int k = q.Candidate(q.Next(c), a, c); k != a;) {
        if (InsidePiece(q, k, a, c)) {
            q.Inside(k);
            c = q.Prev(c);
            if (c == a || c == q.Next(a)) return -1;
            continue;
        }
        if (bounded != c) q.Bound(a, bounded = c);
        k = q.Candidate(q.Next(k), a, c);
    }
    return c;
}

// The try from a: the piece grown from `from` (the vertex after a's next, whose
// corner is strictly convex), shrunk; -1 when it became too small. Its end depends
// only on the points and links of a .. Next(grown) and on the vertices ShrinkPiece
// found inside: a cut that relinks none of a .. Next(grown) and removes none of
// those found inside takes from the scan only vertices it found outside or never
// reached, and the scan ends as before. So a ring may remember that the try failed
// until a cut removes or relinks one of those vertices, and skip the try: it is the
// try from the vertex before a strictly convex one (FindPiece), so FirstConvex may
// pass over that vertex.
template <typename Ring>
int TryPiece(Ring& q, int a, int from) {
    const int grown = GrowPiece(q, a, from);
    const int c = ShrinkPiece(q, a, grown);
    if (c < 0) q.Failed(a, grown);
    return c;
}

// The next piece to cut off: from the first corner r that is not strictly convex,
// a becomes the last of a run of such corners, the piece grows from there and
// shrinks until no vertex lies inside; a piece that becomes too small starts again
// after a. False when the loop is convex, has 3 vertices or fewer, or no start works
// (the search came back to r).
template <typename Ring>
bool FindPiece(Ring& q, int& a, int& c) {
    if (q.Count() <= 3) return false;
    const int r = q.FirstNotConvex();
    if (r < 0) return false;
    a = r;
    for (int k = q.Next(a);;) {
        if (k == r) return false;
        const int convex = q.FirstConvex(k, r);
        if (convex < 0) return false;
        if (convex != k) a = q.Prev(convex);
        c = TryPiece(q, a, q.Next(convex));  // convex is a's next vertex
        if (c >= 0) return true;
        a = q.Next(a);
        k = q.Next(a);
    }
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
