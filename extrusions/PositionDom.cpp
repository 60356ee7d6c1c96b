// Document form of a position: an array of up to three numbers.
#include <kor/ShapeExport/Position.h>

#include <limits>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

namespace {
constexpr double kUnset = std::numeric_limits<double>::infinity();
}  // namespace

bool Position::from(const kor::Dom& node) {
    m_x = node.size() >= 1 ? node[std::size_t(0)].asDouble(0.0) : kUnset;
    m_y = node.size() >= 2 ? node[std::size_t(1)].asDouble(0.0) : kUnset;
    m_z = node.size() >= 3 ? node[std::size_t(2)].asDouble(0.0) : kUnset;
    return true;
}

void Position::to(kor::Dom& node) const {
    node.append() = kor::Dom(m_x);
    node.append() = kor::Dom(m_y);
    node.append() = kor::Dom(m_z);
}

}  // namespace ShapeExport
}  // namespace kor
