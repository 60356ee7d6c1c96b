// Indented diagnostic text of sets, cross sections and loops.
#include <kor/ShapeExport/CrossSections.h>

#include <string>

namespace kor {
namespace ShapeExport {

void Loop::Dump(std::ofstream& out, const char* prefix) const {
    for (const Vertex& v : m_vertices) out << prefix << v.Index() << "\n";
}

void CrossSection::Dump(std::ofstream& out, const char* prefix) const {
    const std::string p(prefix);
    const std::string nested = p + "        " + p + "    ";
    out << p << "Cross Section:\n";
    out << p << "    Exterior Loop:\n";
    m_exterior.Dump(out, (p + "        ").c_str());
    out << p << "    Interior Loops:\n";
    for (const Loop& loop : m_interiors) {
        out << p << "        Loop:\n";
        loop.Dump(out, nested.c_str());
    }
    out << p << "    Convex Loops:\n";
    for (const Loop& loop : ConvexLoops()) {
        out << p << "        Loop:\n";
        loop.Dump(out, nested.c_str());
    }
}

void CrossSections::Dump(std::ofstream& out, const char* prefix) const {
    if (!out.is_open()) return;
    const std::string p(prefix);
    out << p << "CrossSections:\n";
    out << p << "    Positions:\n";
    int i = 0;
    for (const kor::Vec<2, double>& position : m_positions) {
        out << p << "        " << i << ": (" << position.x() << ", " << position.y() << ")\n";
        ++i;
    }
    const std::string itemPrefix = p + "    ";
    for (const CrossSection& item : m_items) item.Dump(out, itemPrefix.c_str());
}

}  // namespace ShapeExport
}  // namespace kor
