#include <kor/ShapeExport/Vertex.h>

namespace kor {
namespace ShapeExport {

Vertex::Vertex() : m_index(-1), m_exterior(false) {}

Vertex::Vertex(int index, bool exterior) : m_index(index), m_exterior(exterior) {}

bool Vertex::operator==(const Vertex& other) const {
    return m_index == other.m_index && m_exterior == other.m_exterior;
}

bool Vertex::operator!=(const Vertex& other) const { return !(*this == other); }

}  // namespace ShapeExport
}  // namespace kor
