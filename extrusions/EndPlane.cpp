#include <kor/ShapeExport/EndPlane.h>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

EndPlane::EndPlane() : m_skew(0.0), m_start(true) {}

bool EndPlane::from(const kor::Dom& node) {
    if (node.has("Start") && node["Start"].isBool()) m_start = node["Start"].asBool(false);
    if (node.has("Origin")) m_origin.from(node["Origin"]);
    if (node.has("Normal")) m_normal.from(node["Normal"]);
    if (node.has("Skew")) m_skew = node["Skew"].asDouble(0.0);
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
