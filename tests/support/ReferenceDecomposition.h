// The convex decomposition written plainly, step by step, as the reference that
// the library's faster version is checked against: every point is read through
// the vertex list and the position array, every list position reduced with a
// cyclic modulo.
#pragma once

#include <cstddef>
#include <vector>

#include <kor/ShapeExport/Loop.h>
#include <kor/math/Vec.h>

namespace testing_support {

class ReferenceDecomposition {
public:
    using Point = kor::Vec<2, double>;

    ReferenceDecomposition(std::vector<kor::ShapeExport::Loop>& list, const std::vector<Point>& positions)
        : m_list(list), m_positions(positions) {}

    void BuildConvexLoops() {
        const std::size_t count = m_list.size();
        for (std::size_t index = 0; index < count; ++index)
            if (m_list[index].Vertices().size() > 3)
                while (!BuildConvexLoop(index)) {
                }
    }

private:
    static int Modulo(int value, int count) {
        while (value < 0) value += count;
        return value % count;
    }

    static double Turn(const Point& A, const Point& B, const Point& C) {
        return (A.x() - B.x()) * (C.y() - B.y()) - (A.y() - B.y()) * (C.x() - B.x());
    }

    static double Distance2(const Point& p, const Point& q) {
        const double dx = p.x() - q.x();
        const double dy = p.y() - q.y();
        return dx * dx + dy * dy;
    }

    const Point& P(std::size_t index, int k) const {
        const kor::ShapeExport::Loop& q = m_list[index];
        const int s = static_cast<int>(q.Vertices().size());
        return m_positions[static_cast<std::size_t>(q.Vertices()[static_cast<std::size_t>(Modulo(k, s))].Index())];
    }

    bool StrictlyConvex(std::size_t index, int k) const {
        return Turn(P(index, k - 1), P(index, k), P(index, k + 1)) <= -1e-6;
    }

    bool BuildConvexLoop(std::size_t index) {
        if (m_list.size() >= m_positions.size()) return true;
        const int s = static_cast<int>(m_list[index].Vertices().size());
        if (s <= 3) return true;
        int r = -1;
        for (int k = 0; k < s && r < 0; ++k)
            if (!StrictlyConvex(index, k)) r = k;
        if (r < 0) return true;

        int a = r;
        int k = Modulo(a + 1, s);
        int c = 0;
        for (;;) {
            // Step 4: run.
            if (k == r) return true;
            if (!StrictlyConvex(index, k)) {
                a = k;
                k = Modulo(k + 1, s);
                continue;
            }
            k = Modulo(k + 1, s);
            // Step 5: grow (the test of k+1 reaching a stands for the zero turn there).
            for (;;) {
                if (Modulo(k + 1, s) == a || !StrictlyConvex(index, k) ||
                    Turn(P(index, k), P(index, k + 1), P(index, a)) > -1e-6 ||
                    Turn(P(index, k + 1), P(index, a), P(index, a + 1)) > -1e-6) {
                    c = k;
                    break;
                }
                k = Modulo(k + 1, s);
            }
            // Step 6: check.
            bool gaveUp = false;
            k = Modulo(c + 1, s);
            while (k != a) {
                bool outside = Turn(P(index, a), P(index, c), P(index, k)) <= -1e-6;
                for (int d = c; !outside && d != a; d = Modulo(d - 1, s)) {
                    const double u = Turn(P(index, d), P(index, d - 1), P(index, k));
                    if (u >= 1e-6) continue;
                    if (u * u > 1e-12) {
                        outside = true;
                    } else {
                        const double e = Distance2(P(index, k), P(index, d));
                        const double f = Distance2(P(index, k), P(index, d - 1));
                        outside = !(e * e > 1e-12) || !(f * f > 1e-12);
                    }
                }
                if (outside) {
                    k = Modulo(k + 1, s);
                    continue;
                }
                c = Modulo(c - 1, s);
                if (Modulo(c - a, s) < 2) {
                    a = Modulo(a + 1, s);
                    k = Modulo(a + 1, s);
                    gaveUp = true;
                    break;
                }
            }
            if (!gaveUp) break;
        }
        // Step 7: cut.
        m_list.emplace_back(m_positions, false);
        m_list.back().Add(m_list[index], -1, a, c);
        m_list[index].Cut(a, c);
        return false;
    }

    std::vector<kor::ShapeExport::Loop>& m_list;
    const std::vector<Point>& m_positions;
};

}  // namespace testing_support
