// kor::ShapeExport::EndPlane: the plane at one end of an extruded body.
//
// Holds a point of the plane (origin), its normal (kept as read, neither normalised
// nor checked), a skew value that the library only stores, and whether the plane is
// at the start (true, the default) or at the end. Origin and normal start unset.
//
// from() reads a document object with the optional keys "Start" (taken only when it
// is a boolean), "Origin" and "Normal" (positions, see Position::from) and "Skew"
// (asDouble with default 0.0, whatever its type). A missing key leaves its field as
// it was: from() does not reset the plane first. Other keys, and nodes that are not
// objects, are ignored. from() always returns true; a missing origin or normal shows
// as !IsValid().
#pragma once

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Position.h>

namespace kor {
class Dom;
}

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT EndPlane {
public:
    EndPlane();
    EndPlane(const EndPlane&) = default;
    EndPlane(EndPlane&&) = default;
    EndPlane& operator=(const EndPlane&) = default;
    EndPlane& operator=(EndPlane&&) = default;
    ~EndPlane() = default;

    const Position& Origin() const { return m_origin; }
    const Position& Normal() const { return m_normal; }
    double Skew() const { return m_skew; }
    bool IsStart() const { return m_start; }

    bool from(const kor::Dom& node);

private:
    Position m_origin;
    Position m_normal;
    double m_skew;
    bool m_start;
};

}  // namespace ShapeExport
}  // namespace kor
