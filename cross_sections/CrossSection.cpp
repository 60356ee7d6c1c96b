#include <kor/ShapeExport/CrossSection.h>

#include <algorithm>
#include <cstddef>

namespace kor {
namespace ShapeExport {

namespace {

// Loop-by-loop assignment: loops the target already has are assigned (and keep
// their own arrays), new ones are copy-constructed, surplus ones destroyed.
// (A plain vector assignment would copy-construct every loop when it reallocates.)
void AssignLoops(std::vector<Loop>& target, const std::vector<Loop>& source) {
    const std::size_t common = std::min(target.size(), source.size());
    for (std::size_t i = 0; i < common; ++i) target[i] = source[i];
    if (target.size() > source.size()) {
        target.erase(target.begin() + static_cast<std::ptrdiff_t>(source.size()), target.end());
    } else {
        target.reserve(source.size());
        for (std::size_t i = common; i < source.size(); ++i) target.push_back(source[i]);
    }
}

bool LoopIndicesBelow(const Loop& loop, std::size_t limit) {
    for (const Vertex& v : loop.Vertices())
        if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= limit) return false;
    return true;
}

}  // namespace

std::vector<kor::Vec<2, double>> CrossSection::m_emptyPositions;

CrossSection::CrossSection() : m_positions(&m_emptyPositions) {}

CrossSection::CrossSection(std::vector<kor::Vec<2, double>>& positions, bool fill)
    : m_exterior(positions, fill), m_positions(&positions) {}

CrossSection::CrossSection(const CrossSection& other)
    : m_exterior(other.m_exterior),
      m_interiors(other.m_interiors),
      m_convex(other.m_convex),
      m_positions(other.m_positions),
      m_added(other.m_added) {}

CrossSection::CrossSection(const CrossSection& other, std::vector<kor::Vec<2, double>>& positions)
    : m_exterior(other.m_exterior, positions), m_positions(&positions) {
    m_interiors.reserve(other.m_interiors.size());
    for (const Loop& loop : other.m_interiors) m_interiors.emplace_back(loop, positions);
    const std::vector<Loop>& convex = other.ConvexLoops();
    m_convex.reserve(convex.size());
    for (const Loop& loop : convex) m_convex.emplace_back(loop, positions);
    m_added = other.m_added;
}

CrossSection& CrossSection::operator=(const CrossSection& other) {
    m_exterior = other.m_exterior;
    if (this != &other) {
        AssignLoops(m_interiors, other.m_interiors);
        AssignLoops(m_convex, other.m_convex);
    }
    return *this;
}

CrossSection::~CrossSection() = default;

void CrossSection::Rebind(std::vector<kor::Vec<2, double>>& positions) {
    m_positions = &positions;
    m_exterior.Rebind(positions);
    for (Loop& loop : m_interiors) loop.Rebind(positions);
    for (Loop& loop : m_convex) loop.Rebind(positions);
}

std::vector<Loop>& CrossSection::GetConvexLoops() {
    ComputeConvexLoops();
    return m_convex;
}

const std::vector<Loop>& CrossSection::ConvexLoops() const {
    ComputeConvexLoops();
    return m_convex;
}

void CrossSection::ComputeConvexLoops() const {
    if (!m_convex.empty() || m_exterior.Vertices().empty()) return;
    m_convex.reserve(1 + m_interiors.size());
    m_convex.push_back(m_exterior);
    for (const Loop& loop : m_interiors) m_convex.push_back(loop);
    // Loops naming positions that do not exist are handed back as they are: the
    // algorithms below read the point of every vertex.
    if (!IndicesInRange()) return;
    RemoveHoles();
    BuildConvexLoops();
}

Loop& CrossSection::AddInteriorLoop() {
    m_interiors.emplace_back(*m_positions, false);
    return m_interiors.back();
}

Loop& CrossSection::AddConvexLoop() const {
    m_convex.emplace_back(*m_positions, false);
    return m_convex.back();
}

void CrossSection::ResetConvexLoops(std::set<int>& removed) {
    m_convex.clear();
    removed.insert(m_added.begin(), m_added.end());
    m_added.clear();
}

kor::BBox<2, double> CrossSection::BBox() const {
    kor::BBox<2, double> box = m_exterior.BBox();
    for (const Loop& loop : m_interiors) box.Extend(loop.BBox());
    return box;
}

int CrossSection::Modulo(int value, int count) const {
    if (count <= 0) return 0;
    // Same result as adding `count` while negative, then taking the remainder.
    const int r = value % count;
    return r < 0 ? r + count : r;
}

bool CrossSection::IndicesInRange() const {
    const std::size_t own = m_positions->size();
    auto fits = [own](const Loop& loop) {
        return LoopIndicesBelow(loop, std::min(own, loop.Positions().size()));
    };
    if (!fits(m_exterior)) return false;
    for (const Loop& loop : m_interiors)
        if (!fits(loop)) return false;
    return true;
}

const kor::Vec<2, double>& CrossSection::Point(const Loop& loop, int pos) const {
    const int count = static_cast<int>(loop.Vertices().size());
    const Vertex& v = loop.Vertices()[static_cast<std::size_t>(Modulo(pos, count))];
    return (*m_positions)[static_cast<std::size_t>(v.Index())];
}

void CrossSection::RemoveHoles() const {
    while (RemoveHole()) {
    }
}

}  // namespace ShapeExport
}  // namespace kor
