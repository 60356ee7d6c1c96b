// kor::ShapeExport::Vertex: one corner of a loop, a position index with a flag.
//
// The index names a point of the position array of the loop that holds the vertex
// (-1: no position). The exterior flag tells whether the edge arriving at this
// vertex (from the previous vertex of the loop, cyclically) lies on the outline as
// it was given (true), or is a cut made by hole removal or convex decomposition.
#pragma once

#include <kor/ShapeExport/Export.h>

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT Vertex {
public:
    Vertex(int index, bool exterior) : m_index(index), m_exterior(exterior) {}
    Vertex(const Vertex&) = default;
    Vertex(Vertex&&) = default;
    Vertex& operator=(const Vertex&) = default;
    Vertex& operator=(Vertex&&) = default;
    ~Vertex() = default;

    int Index() const { return m_index; }
    bool Exterior() const { return m_exterior; }
    void SetExterior(bool exterior) { m_exterior = exterior; }

    // Equal when both the index and the exterior flag are equal.
    bool operator==(const Vertex& other) const { return m_index == other.m_index && m_exterior == other.m_exterior; }
    bool operator!=(const Vertex& other) const { return !(*this == other); }

protected:
    Vertex() : m_index(-1), m_exterior(false) {}

private:
    int m_index;
    bool m_exterior;
};

}  // namespace ShapeExport
}  // namespace kor
