// kor::ShapeExport::Position: a 3D point of three doubles x, y, z.
//
// A component holding +infinity is unset; a default-constructed position has all
// three unset. Distance2 is the squared distance ((dx*dx + dy*dy) + dz*dz) with
// dx = x - other.x (no square root). Near is false exactly when that squared
// distance is >= 1e-8, so it is true for a NaN distance: two positions holding the
// same infinity in one component (for example both unset in z) are near whatever
// else they hold, and a position with a NaN component is near every position.
// IsValid is false when a component is +infinity or NaN (-infinity is valid).
//
// The transforming constructor carries (x, y, z, 1) through a Matrix and divides by
// the weight: r[k] = ((x*m[k] + y*m[4+k]) + z*m[8+k]) + 1.0*m[12+k], then each of
// r[0..2] is multiplied by inv = 1.0 / r[3]. The weight is not tested; a zero weight
// gives infinite or NaN components.
//
// Document form: an array [x, y, z]. from() reads up to three elements (a missing
// element leaves its component unset, a non-number element reads as 0.0, elements
// after the third are ignored) and always returns true; to() appends x, y, z as
// three number elements after whatever the node already holds.
#pragma once

#include <limits>

#include <kor/ShapeExport/Export.h>

namespace kor {
class Dom;
}

namespace kor {
namespace ShapeExport {

class Matrix;

class SHAPEEXPORT_EXPORT Position {
public:
    // Two positions are Near when their squared distance is below this: (0.0001)^2.
    static constexpr double kNearDistance2 = 1e-8;

    Position();
    // The point (x, y, z) as given, without transform.
    Position(double x, double y, double z);
    // The point (x, y, z) placed by the transform that matrix refers to.
    Position(double x, double y, double z, const Matrix& matrix);
    Position(const Position&) = default;
    Position(Position&&) = default;
    Position& operator=(const Position&) = default;
    Position& operator=(Position&&) = default;
    ~Position() = default;

    double X() const { return m_x; }
    double Y() const { return m_y; }
    double Z() const { return m_z; }
    void SetX(double value) { m_x = value; }
    void SetY(double value) { m_y = value; }
    void SetZ(double value) { m_z = value; }

    // Inline: the weld calls Near for every candidate it tests.
    double Distance2(const Position& other) const {
        const double dx = m_x - other.m_x;
        const double dy = m_y - other.m_y;
        const double dz = m_z - other.m_z;
        return (dx * dx + dy * dy) + dz * dz;
    }
    bool IsValid() const;
    // Written as "not >=" so that a NaN distance counts as near.
    bool Near(const Position& other) const { return !(Distance2(other) >= kNearDistance2); }

    bool from(const kor::Dom& node);
    void to(kor::Dom& node) const;

private:
    double m_x;
    double m_y;
    double m_z;
};

}  // namespace ShapeExport
}  // namespace kor
