// kor::ShapeExport::Extrusion: an ordered list of extruded sections, read from a
// document. The whole tree (sections, their profiles, the profiles' positions) is
// owned by value.
//
// from() reads the array "Sections" of a document object and appends one section
// per element (ExtrudedSection::from). Like the readers below it, it never clears
// what it already holds (reading twice gives the sections twice), raises the
// capacity at most once per call (to exactly the current size plus the number of
// elements), reads every element, and always returns true. Missing keys, values that
// are not arrays and elements that are not objects only mean that less is read:
// {"Sections": [7]} gives one default section (no profiles, exterior).
//
// Moving hands the sections over and leaves the source empty; self-assignment, by
// copy or by move, changes nothing.
#pragma once

#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/ExtrudedSection.h>

namespace kor {
class Dom;
}

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT Extrusion {
public:
    Extrusion();
    Extrusion(const Extrusion& other);
    Extrusion(Extrusion&& other) noexcept;
    Extrusion& operator=(const Extrusion& other);
    Extrusion& operator=(Extrusion&& other) noexcept;
    ~Extrusion();

    const std::vector<ExtrudedSection>& Sections() const { return m_sections; }

    bool from(const kor::Dom& node);

private:
    std::vector<ExtrudedSection> m_sections;
};

}  // namespace ShapeExport
}  // namespace kor
