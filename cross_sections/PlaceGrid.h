// Internal: points by place, for searches in a box. A grid of square cells over the
// points' box, each cell's points (by their index) in one array; used by the fast
// convex cuts (FastConvexCuts.cpp) and by the merge's ear test (ConvexMerge.cpp),
// where a box around a piece (InsideBound) holds every point the exact test can take.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

#include <kor/math/BBox.h>
#include <kor/math/Vec.h>

namespace kor {
namespace ShapeExport {
namespace detail {

// The points by place; a point taken out of the caller's set stays (the caller
// passes over it).
class PlaceGrid {
public:
    using Point = kor::Vec<2, double>;
    using Box = kor::BBox<2, double>;

    PlaceGrid() = default;
    // `box`: the box of the points, which are finite; in a ring's order, which sizes
    // the cells after its edges.
    PlaceGrid(const std::vector<Point>& points, const Box& box) : m_box(box) {
        const std::size_t n = points.size();
        std::vector<double> edges(n);
        for (std::size_t i = 0; i < n; ++i)
            edges[i] =
                std::fabs(points[i].x() - points[(i + 1) % n].x()) + std::fabs(points[i].y() - points[(i + 1) % n].y());
        std::nth_element(edges.begin(), edges.begin() + static_cast<std::ptrdiff_t>(n / 2), edges.end());
        const double width = box.max.x() - box.min.x(), height = box.max.y() - box.min.y();
        // At most 4096 columns and rows either way, so a thin box still makes few cells.
        double cell = std::max({edges[n / 2], std::sqrt(width * height / (kCellsPerNode * static_cast<double>(n))),
                                width / 4096.0, height / 4096.0});
        if (!(cell > 0.0)) cell = 1.0;
        m_perCell = 1.0 / cell;
        // Where the cells a unit overflow (edges of subnormal length) or the box is too
        // wide to measure, one cell holds every point.
        if (!std::isfinite(width * m_perCell) || !std::isfinite(height * m_perCell)) m_perCell = 0.0;
        m_columns = m_perCell > 0.0 ? static_cast<int>(width * m_perCell) + 1 : 1;
        m_rows = m_perCell > 0.0 ? static_cast<int>(height * m_perCell) + 1 : 1;
        m_first.assign(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows) + 1, 0);
        std::vector<int> cellOf(n);
        for (std::size_t i = 0; i < n; ++i) {
            cellOf[i] = Row(points[i].y()) * m_columns + Column(points[i].x());
            ++m_first[static_cast<std::size_t>(cellOf[i]) + 1];
        }
        std::partial_sum(m_first.begin(), m_first.end(), m_first.begin());
        m_nodes.resize(n);
        std::vector<int> filled(m_first.begin(), m_first.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            m_nodes[static_cast<std::size_t>(filled[static_cast<std::size_t>(cellOf[i])]++)] = static_cast<int>(i);
    }

    // Whether the box meets few enough cells for a search in it to beat a walk.
    bool Answers(const Box& box) const {
        return static_cast<std::size_t>(Column(box.max.x()) - Column(box.min.x()) + 1) *
                   static_cast<std::size_t>(Row(box.max.y()) - Row(box.min.y()) + 1) <=
               kCellsPerSearch;
    }

    // Calls visit(node) for the nodes of the cells that the box meets: every node
    // whose point lies in the box, and others.
    template <typename Visit>
    void ForEachIn(const Box& box, const Visit& visit) const {
        const std::size_t from = static_cast<std::size_t>(Column(box.min.x()));
        const std::size_t to = static_cast<std::size_t>(Column(box.max.x())) + 1;
        for (int row = Row(box.min.y()), last = Row(box.max.y()); row <= last; ++row) {
            const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns);
            for (int i = m_first[first + from], end = m_first[first + to]; i < end; ++i)
                visit(m_nodes[static_cast<std::size_t>(i)]);
        }
    }

private:
    // A search in more cells than this costs more than the walks it replaces (on the
    // real polygons, 128 or 256 cost up to 40% more; a limit on the rows and nodes
    // the search would read, instead of on its cells, costs more too).
    static constexpr std::size_t kCellsPerSearch = 64;
    // The cells: about as wide as the median edge, at most this many a node over the box.
    static constexpr double kCellsPerNode = 4.0;

    // Quantising is monotone: a point of a box lies in a cell between those of its corners.
    int Column(double x) const { return Quantised((x - m_box.min.x()) * m_perCell, m_columns); }
    int Row(double y) const { return Quantised((y - m_box.min.y()) * m_perCell, m_rows); }
    static int Quantised(double t, int cells) {
        return t > 0.0 ? (t < cells - 1 ? static_cast<int>(t) : cells - 1) : 0;
    }

    Box m_box;
    double m_perCell = 1.0;  // cells per unit
    int m_columns = 1, m_rows = 1;
    std::vector<int> m_first;  // per cell, where its nodes begin in m_nodes
    std::vector<int> m_nodes;
};

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
