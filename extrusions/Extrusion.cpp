#include <kor/ShapeExport/Extrusion.h>

#include <cstddef>
#include <utility>

#include <kor/Dom.h>

#include "ReadArray.h"

namespace kor {
namespace ShapeExport {

Extrusion::Extrusion() = default;
Extrusion::Extrusion(const Extrusion& other) = default;
Extrusion::Extrusion(Extrusion&& other) noexcept = default;
Extrusion::~Extrusion() = default;

Extrusion& Extrusion::operator=(const Extrusion& other) = default;

Extrusion& Extrusion::operator=(Extrusion&& other) noexcept {
    if (this != &other) m_sections = std::move(other.m_sections);
    return *this;
}

bool Extrusion::from(const kor::Dom& node) {
    AppendFromArray(m_sections, node, "Sections");
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
