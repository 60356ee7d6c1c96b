// shapeexport extrusion / endplane: what the library reads from a document, as
// indented text. Unset coordinates (+infinity) are shown as "unset".
#include <cmath>
#include <iostream>
#include <limits>
#include <string>

#include <kor/Dom.h>
#include <kor/ShapeExport/EndPlane.h>
#include <kor/ShapeExport/Extrusion.h>

#include "Commands.h"
#include "Input.h"
#include "Output.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

const std::string kIndent = "    ";

std::string Coordinate(double value) {
    return value == std::numeric_limits<double>::infinity() ? std::string("unset") : ShortestText(value);
}

std::string Point(const Position& p) {
    return "(" + Coordinate(p.X()) + ", " + Coordinate(p.Y()) + ", " + Coordinate(p.Z()) + ")";
}

}  // namespace

int RunExtrusion(const std::string& input) {
    const kor::Dom document = ReadJsonObject(input);
    if (!document["Sections"].isArray())
        std::cerr << "shapeexport: warning: " << InputName(input) << ": no \"Sections\" array; nothing to read\n";
    Extrusion extrusion;
    extrusion.from(document);

    const std::vector<ExtrudedSection>& sections = extrusion.Sections();
    std::string text = "Extrusion: " + Count(sections.size(), "section", "sections") + "\n";
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const ExtrudedSection& section = sections[s];
        text += kIndent + "Section " + std::to_string(s) + ": " + (section.Exterior() ? "exterior" : "not exterior") +
                ", " + Count(section.Profiles().size(), "profile", "profiles") + "\n";
        for (std::size_t p = 0; p < section.Profiles().size(); ++p) {
            const std::vector<Position>& points = section.Profiles()[p].Positions();
            text += kIndent + kIndent + "Profile " + std::to_string(p) + ": " +
                    Count(points.size(), "point", "points") + "\n";
            for (std::size_t i = 0; i < points.size(); ++i)
                text += kIndent + kIndent + kIndent + std::to_string(i) + ": " + Point(points[i]) + "\n";
        }
    }
    std::cout << text << std::flush;
    return 0;
}

int RunEndPlane(const std::string& input) {
    const kor::Dom document = ReadJsonObject(input);
    if (!document.has("Start") && !document.has("Origin") && !document.has("Normal") && !document.has("Skew"))
        std::cerr << "shapeexport: warning: " << InputName(input)
                  << ": none of \"Start\", \"Origin\", \"Normal\", \"Skew\"; the end plane keeps its defaults\n";
    EndPlane plane;
    plane.from(document);
    std::cout << "End plane\n"
              << kIndent << "Start: " << (plane.IsStart() ? "true" : "false") << "\n"
              << kIndent << "Origin: " << Point(plane.Origin()) << "\n"
              << kIndent << "Normal: " << Point(plane.Normal()) << "\n"
              << kIndent << "Skew: " << ShortestText(plane.Skew()) << "\n"
              << std::flush;
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
