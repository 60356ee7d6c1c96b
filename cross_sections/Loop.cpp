#include <kor/ShapeExport/Loop.h>

#include <cstddef>

namespace kor {
namespace ShapeExport {

const std::vector<kor::Vec<2, double>> Loop::m_emptyPositions;

Loop::Loop() : m_positions(&m_emptyPositions), m_leftMost(-1) {}

Loop::Loop(const std::vector<kor::Vec<2, double>>& positions, bool fill)
    : m_positions(&positions), m_leftMost(-1) {
    if (!fill) return;
    m_vertices.reserve(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) m_vertices.emplace_back(static_cast<int>(i), true);
}

Loop::Loop(const Loop& other)
    : m_vertices(other.m_vertices), m_positions(other.m_positions), m_leftMost(other.m_leftMost) {}

Loop::Loop(const Loop& other, const std::vector<kor::Vec<2, double>>& positions)
    : m_vertices(other.m_vertices), m_positions(&positions), m_leftMost(-1) {}

Loop& Loop::operator=(const Loop& other) {
    if (this != &other) m_vertices = other.m_vertices;
    m_leftMost = -1;
    return *this;
}

Loop::~Loop() = default;

void Loop::Rebind(const std::vector<kor::Vec<2, double>>& positions) {
    m_positions = &positions;
    m_leftMost = -1;
}

void Loop::AddVertex(int index, bool exterior) {
    m_vertices.emplace_back(index, exterior);
    m_leftMost = -1;
}

void Loop::InsertVertex(int index, int pos) {
    if (pos >= 0 && static_cast<std::size_t>(pos) < m_vertices.size())
        m_vertices.insert(m_vertices.begin() + pos, Vertex(index, true));
    else
        m_vertices.emplace_back(index, true);
    m_leftMost = -1;
}

void Loop::Add(const Loop& other, int at, int first, int last) {
    if (first < 0 || &other == this) return;
    const int lastRun = last == -1 ? first : last;
    const std::vector<Vertex>& src = other.m_vertices;
    const int count = static_cast<int>(src.size());
    if (first >= count || lastRun < 0 || lastRun >= count) return;

    // The cyclic run first .. lastRun. When both are the same the whole loop is
    // walked; spliced into a non-empty loop the run then closes on `first` again.
    const bool splice = !m_vertices.empty();
    std::vector<Vertex> run;
    if (lastRun > first) {
        run.assign(src.begin() + first, src.begin() + lastRun + 1);
    } else if (lastRun < first) {
        run.assign(src.begin() + first, src.end());
        run.insert(run.end(), src.begin(), src.begin() + lastRun + 1);
    } else {
        run.assign(src.begin() + first, src.end());
        run.insert(run.end(), src.begin(), src.begin() + (splice ? first + 1 : first));
    }

    if (!splice) {
        m_vertices = std::move(run);
        if (lastRun != first) m_vertices[0].SetExterior(false);
        m_leftMost = -1;
        return;
    }

    if (at < 0 || static_cast<std::size_t>(at) >= m_vertices.size()) return;
    const Vertex returning(m_vertices[static_cast<std::size_t>(at)].Index(), false);
    run.push_back(returning);
    run.front().SetExterior(false);
    m_vertices.insert(m_vertices.begin() + at + 1, run.begin(), run.end());
    m_leftMost = -1;
}

void Loop::Cut(int first, int last) {
    const int count = static_cast<int>(m_vertices.size());
    if (first < 0 || last < 0 || first >= count || last >= count) return;
    if (last > first) {
        m_vertices.erase(m_vertices.begin() + first + 1, m_vertices.begin() + last);
        m_vertices[static_cast<std::size_t>(first) + 1].SetExterior(false);
    } else {
        m_vertices.erase(m_vertices.begin() + first + 1, m_vertices.end());
        m_vertices.erase(m_vertices.begin(), m_vertices.begin() + last);
        m_vertices[0].SetExterior(false);
    }
    m_leftMost = -1;
}

int Loop::LeftMostVertex() {
    if (m_leftMost >= 0 && static_cast<std::size_t>(m_leftMost) < m_vertices.size()) return m_leftMost;
    m_leftMost = -1;
    double best = 1.7976931348623157e308;
    const std::size_t available = m_positions->size();
    for (std::size_t i = 0; i < m_vertices.size(); ++i) {
        const int index = m_vertices[i].Index();
        if (index < 0 || static_cast<std::size_t>(index) >= available) continue;
        const double x = (*m_positions)[static_cast<std::size_t>(index)].x();
        if (!(x >= best)) {
            m_leftMost = static_cast<int>(i);
            best = x;
        }
    }
    return m_leftMost;
}

kor::BBox<2, double> Loop::BBox() const {
    kor::BBox<2, double> box;
    const std::size_t available = m_positions->size();
    for (const Vertex& v : m_vertices) {
        if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= available) continue;
        box.Extend((*m_positions)[static_cast<std::size_t>(v.Index())]);
    }
    return box;
}

bool Loop::IsCompatible(const Loop& other) const { return m_vertices == other.m_vertices; }

}  // namespace ShapeExport
}  // namespace kor
