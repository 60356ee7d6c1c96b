#include <kor/ShapeExport/CrossSections.h>

#include <cmath>
#include <set>

namespace kor {
namespace ShapeExport {

CrossSections::CrossSections(double conversionFactor) : m_conversionFactor(conversionFactor) {}

CrossSections::CrossSections(const std::vector<kor::Vec<2, double>>& positions, bool fill)
    : m_positions(positions), m_conversionFactor(1.0) {
    m_items.emplace_back(m_positions, fill);
    InitBBox();
}

CrossSections::CrossSections(const CrossSections& other)
    : m_positions(other.m_positions),
      m_items(other.m_items),
      m_conversionFactor(other.m_conversionFactor),
      m_box(other.m_box),
      m_parameters(other.m_parameters) {
    RebindItems();
}

CrossSections::CrossSections(CrossSections&& other)
    : m_positions(std::move(other.m_positions)),
      m_items(std::move(other.m_items)),
      m_conversionFactor(other.m_conversionFactor),
      m_box(other.m_box),
      m_parameters(std::move(other.m_parameters)) {
    other.m_positions.clear();
    other.m_items.clear();
    other.m_parameters.clear();
    RebindItems();
}

CrossSections& CrossSections::operator=(const CrossSections& other) {
    if (this != &other) {
        m_positions = other.m_positions;
        m_items = other.m_items;
        m_parameters = other.m_parameters;
        RebindItems();
    }
    m_conversionFactor = other.m_conversionFactor;
    m_box = other.m_box;
    return *this;
}

CrossSections& CrossSections::operator=(CrossSections&& other) {
    if (this != &other) {
        m_positions = std::move(other.m_positions);
        m_items = std::move(other.m_items);
        other.m_positions.clear();
        other.m_items.clear();
        m_parameters.clear();
        m_parameters.swap(other.m_parameters);
        RebindItems();
    }
    m_conversionFactor = other.m_conversionFactor;
    m_box = other.m_box;
    return *this;
}

CrossSections::~CrossSections() = default;

void CrossSections::RebindItems() {
    for (CrossSection& item : m_items) item.Rebind(m_positions);
}

void CrossSections::InitBBox() {
    for (const kor::Vec<2, double>& p : m_positions) m_box.Extend(p);
}

void CrossSections::TransformPositions(const double (&m)[3][3]) {
    m_box.Clear();
    for (kor::Vec<2, double>& p : m_positions) {
        const double x = p.x();
        const double y = p.y();
        const double u = x * m[0][0] + y * m[1][0] + m[2][0];
        const double v = x * m[0][1] + y * m[1][1] + m[2][1];
        const double w = x * m[0][2] + y * m[1][2] + m[2][2];
        p = kor::Vec<2, double>(u / w, v / w);
        m_box.Extend(p);
    }
}

void CrossSections::ConvertPositions(double factor) {
    if (factor == 1.0 || std::isnan(factor)) return;
    const double m[3][3] = {{factor, 0.0, 0.0}, {0.0, factor, 0.0}, {0.0, 0.0, 1.0}};
    TransformPositions(m);
}

void CrossSections::NormalizeVertical() {
    InitBBox();
    const double lowest = m_box.min.y();
    if (!(lowest * lowest > 1e-8)) return;
    for (std::size_t axis = 0; axis < 2; ++axis)
        if (!(m_box.max[axis] >= m_box.min[axis])) return;
    const double m[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, -lowest, 1.0}};
    TransformPositions(m);
}

void CrossSections::ResetConvexLoops() {
    std::set<int> removed;
    for (CrossSection& item : m_items) item.ResetConvexLoops(removed);
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
        const int index = *it;
        if (index < 0 || static_cast<std::size_t>(index) >= m_positions.size()) continue;
        m_positions.erase(m_positions.begin() + index);
    }
}

}  // namespace ShapeExport
}  // namespace kor
