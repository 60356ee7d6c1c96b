// Compatibility (like structure by vertex indices) and blending of sets.
#include <kor/ShapeExport/CrossSections.h>

#include <cstddef>
#include <set>

namespace kor {
namespace ShapeExport {

namespace {

bool AllAlike(const std::vector<Loop>& a, const std::vector<Loop>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!a[i].IsCompatible(b[i])) return false;
    return true;
}

bool NamesOnlyBelow(const CrossSection& item, std::size_t limit) {
    for (int index : item.AddedVertices())
        if (index < 0 || static_cast<std::size_t>(index) >= limit) return false;
    for (const Loop& loop : item.ConvexLoops())
        for (const Vertex& v : loop.Vertices())
            if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= limit) return false;
    return true;
}

}  // namespace

bool CrossSection::IsCompatible(const CrossSection& other, bool convex) const {
    if (convex) {
        const std::vector<Loop>& mine = ConvexLoops();
        const std::vector<Loop>& theirs = other.ConvexLoops();
        return AllAlike(mine, theirs);
    }
    if (m_interiors.size() != other.m_interiors.size()) return false;
    if (!m_exterior.IsCompatible(other.m_exterior)) return false;
    return AllAlike(m_interiors, other.m_interiors);
}

bool CrossSections::IsCompatible(const CrossSections& other, bool convex) const {
    if (m_items.size() != other.m_items.size()) return false;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (!m_items[i].IsCompatible(other.m_items[i], convex)) return false;
    return true;
}

CrossSections::CrossSections(const CrossSections& a, const CrossSections& b, double t, bool convex)
    : m_conversionFactor(1.0) {
    // a's convex loops first, so that the bridge points they append are among the
    // positions taken below.
    for (const CrossSection& item : a.m_items) item.ConvexLoops();
    if (a.IsCompatible(b, convex)) {
        const std::size_t n = std::min(a.m_positions.size(), b.m_positions.size());
        const double s = 1.0 - t;
        m_positions.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const kor::Vec<2, double>& p = a.m_positions[i];
            const kor::Vec<2, double>& q = b.m_positions[i];
            m_positions.emplace_back(s * p.x() + t * q.x(), s * p.y() + t * q.y());
        }
    } else {
        m_positions = a.m_positions;
    }
    InitBBox();
    m_items.reserve(a.m_items.size());
    for (const CrossSection& item : a.m_items) {
        m_items.emplace_back(item, m_positions);
        // An item whose decomposition names positions the blend lacks is left plain:
        // it decomposes again on the blend's own positions when asked.
        if (!NamesOnlyBelow(m_items.back(), m_positions.size())) {
            std::set<int> unused;
            m_items.back().ResetConvexLoops(unused);
        }
    }
}

}  // namespace ShapeExport
}  // namespace kor
