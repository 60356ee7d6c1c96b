#include <kor/ShapeExport/Position.h>

#include <cmath>
#include <limits>

#include <kor/Dom.h>
#include <kor/ShapeExport/Matrix.h>

namespace kor {
namespace ShapeExport {

namespace {
constexpr double kUnset = std::numeric_limits<double>::infinity();
}  // namespace

Position::Position() : m_x(kUnset), m_y(kUnset), m_z(kUnset) {}

Position::Position(double x, double y, double z) : m_x(x), m_y(y), m_z(z) {}

Position::Position(double x, double y, double z, const Matrix& matrix) {
    const double* m = matrix.m;
    double r[4];
    for (int k = 0; k < 4; ++k) r[k] = ((x * m[k] + y * m[4 + k]) + z * m[8 + k]) + 1.0 * m[12 + k];
    // One reciprocal for all three components, as the results are scaled, not divided.
    const double inv = 1.0 / r[3];
    m_x = r[0] * inv;
    m_y = r[1] * inv;
    m_z = r[2] * inv;
}

bool Position::IsValid() const {
    return m_x != kUnset && m_y != kUnset && m_z != kUnset && !std::isnan(m_x) && !std::isnan(m_y) && !std::isnan(m_z);
}

// Document form: an array of up to three numbers.
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
