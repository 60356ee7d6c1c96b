// kor::ShapeExport::ExtrudedSection: an ordered list of profiles with an exterior
// flag (true by default), one level of an extrusion description.
//
// from() reads a document object: "Exterior" first, taken with asBool(false)
// whatever its type (so a non-boolean "Exterior" makes the section not exterior),
// then the array "Profiles", appending one profile per element (Profile::from). It
// never clears what the section holds, raises the capacity at most once per call (to
// exactly the current size plus the number of elements) and always returns true.
//
// Moving hands the profiles over (the source is left without profiles) and copies
// the flag; self-assignment, by copy or by move, changes nothing.
#pragma once

#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Profile.h>

namespace kor {
class Dom;
}

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT ExtrudedSection {
public:
    ExtrudedSection();
    ExtrudedSection(const ExtrudedSection& other);
    ExtrudedSection(ExtrudedSection&& other) noexcept;
    ExtrudedSection& operator=(const ExtrudedSection& other);
    ExtrudedSection& operator=(ExtrudedSection&& other) noexcept;
    ~ExtrudedSection();

    const std::vector<Profile>& Profiles() const { return m_profiles; }
    bool Exterior() const { return m_exterior; }

    bool from(const kor::Dom& node);

private:
    std::vector<Profile> m_profiles;
    bool m_exterior;
};

}  // namespace ShapeExport
}  // namespace kor
