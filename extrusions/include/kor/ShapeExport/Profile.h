// kor::ShapeExport::Profile: an ordered list of 3D positions, one level of an
// extrusion description (Extrusion > ExtrudedSection > Profile > Position).
//
// from() reads the array "Points" of a document object and appends one position per
// element (Position::from: a shorter element leaves trailing components unset). It
// never clears what the profile holds, raises the capacity at most once per call (to
// exactly the current size plus the number of elements) and always returns true; a
// missing "Points" or one that is no array reads nothing.
//
// Moving hands the list over and leaves the source empty; self-assignment, by copy or
// by move, changes nothing.
#pragma once

#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Position.h>

namespace kor {
class Dom;
}

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT Profile {
public:
    Profile();
    Profile(const Profile& other);
    Profile(Profile&& other) noexcept;
    Profile& operator=(const Profile& other);
    Profile& operator=(Profile&& other) noexcept;
    ~Profile();

    const std::vector<Position>& Positions() const { return m_positions; }

    bool from(const kor::Dom& node);

private:
    std::vector<Position> m_positions;
};

}  // namespace ShapeExport
}  // namespace kor
