#include <kor/ShapeExport/Loop.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <limits>
#include <ostream>

#include <kor/Dom.h>

#include "DomOut.h"
#include "SetLayout.h"
#include "SetReading.h"
#include "VertexRuns.h"

namespace kor {
namespace ShapeExport {

namespace {

bool Inside(int index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

}  // namespace

const std::vector<kor::Vec<2, double>> Loop::m_emptyPositions;

Loop::Loop() : m_positions(&m_emptyPositions), m_leftMost(-1) {}

Loop::Loop(const std::vector<kor::Vec<2, double>>& positions, bool fill) : m_positions(&positions), m_leftMost(-1) {
    if (!fill) return;
    m_vertices.reserve(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) m_vertices.emplace_back(static_cast<int>(i), true);
}

Loop::Loop(const std::vector<kor::Vec<2, double>>& positions, std::vector<Vertex> vertices)
    : m_vertices(std::move(vertices)), m_positions(&positions), m_leftMost(-1) {}

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

void Loop::AddVertex(int index, bool exterior) {
    m_vertices.emplace_back(index, exterior);
    m_leftMost = -1;
}

void Loop::InsertVertex(int index, int pos) {
    if (Inside(pos, m_vertices.size()))
        m_vertices.insert(m_vertices.begin() + pos, Vertex(index, true));
    else
        m_vertices.emplace_back(index, true);
    m_leftMost = -1;
}

void Loop::Add(const Loop& other, int at, int first, int last) {
    if (first < 0 || &other == this) return;
    const int runEnd = last == -1 ? first : last;
    const std::size_t count = other.m_vertices.size();
    if (!Inside(first, count) || !Inside(runEnd, count)) return;
    if (m_vertices.empty()) {
        m_vertices = detail::CopyRun(other.m_vertices, first, runEnd);
    } else {
        if (!Inside(at, m_vertices.size())) return;
        detail::SpliceBridge(m_vertices, at, other.m_vertices, first, runEnd);
    }
    m_leftMost = -1;
}

void Loop::Cut(int first, int last) {
    if (!Inside(first, m_vertices.size()) || !Inside(last, m_vertices.size())) return;
    detail::CutRun(m_vertices, first, last);
    m_leftMost = -1;
}

int Loop::LeftMostVertex() {
    if (Inside(m_leftMost, m_vertices.size())) return m_leftMost;
    m_leftMost = detail::LeftMostPlace(m_vertices, m_positions->size(),
                                       [this](int i) { return (*m_positions)[static_cast<std::size_t>(i)]; });
    return m_leftMost;
}

kor::BBox<2, double> Loop::BBox() const {
    kor::BBox<2, double> box;
    for (const Vertex& v : m_vertices)
        if (Inside(v.Index(), m_positions->size())) box.Extend((*m_positions)[static_cast<std::size_t>(v.Index())]);
    return box;
}

bool Loop::From(const kor::Dom& indices, bool exterior) {
    const std::size_t before = m_vertices.size();
    for (std::size_t i = 0; i < indices.size(); ++i)
        detail::AddIndex(m_vertices, indices[i].asInt(0), m_positions->size());
    m_leftMost = -1;
    return detail::FinishLoop(m_vertices, 0, before, exterior);
}

void Loop::To(kor::Dom& indices, bool exterior) const {
    kor::detail::DomOut out(indices, true);
    detail::WriteIndices(out, *this, exterior);
}

bool Loop::IsCompatible(const Loop& other) const { return m_vertices == other.m_vertices; }

void Loop::Dump(std::ofstream& out, const char* prefix) const { Dump(static_cast<std::ostream&>(out), prefix); }

void Loop::Dump(std::ostream& out, const char* prefix) const {
    for (const Vertex& v : m_vertices) out << prefix << v.Index() << "\n";
}

}  // namespace ShapeExport
}  // namespace kor
