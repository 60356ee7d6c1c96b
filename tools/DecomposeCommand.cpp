// shapeexport decompose: every item's convex loops as JSON, optionally drawn as SVG.
#include <cstddef>
#include <iostream>
#include <string>

#include <kor/Dom.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

#include "Commands.h"
#include "Example.h"
#include "Input.h"
#include "Output.h"
#include "Svg.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

// {"positions": [[x, y], ...], "items": [{"convex": [[[index, exterior], ...], ...],
//                                         "added": [index, ...]}, ...]}
kor::Dom DecompositionDocument(const CrossSections& set) {
    kor::Dom document;
    kor::Dom& positions = document["positions"].toArray();
    for (const kor::Vec<2, double>& p : set.Positions()) {
        kor::Dom& point = positions.append().toArray();
        point.append() = kor::Dom(p.x());
        point.append() = kor::Dom(p.y());
    }
    kor::Dom& items = document["items"].toArray();
    for (const CrossSection& item : set.Items()) {
        kor::Dom& entry = items.append();
        kor::Dom& convex = entry["convex"].toArray();
        for (const Loop& loop : item.ConvexLoops()) {
            kor::Dom& vertices = convex.append().toArray();
            for (const Vertex& v : loop.Vertices()) {
                kor::Dom& pair = vertices.append().toArray();
                pair.append() = kor::Dom(v.Index());
                pair.append() = kor::Dom(v.Exterior());
            }
        }
        kor::Dom& added = entry["added"].toArray();
        for (int index : item.AddedVertices()) added.append() = kor::Dom(index);
    }
    return document;
}

}  // namespace

int RunDecompose(const DecomposeOptions& options) {
    CrossSections set(options.scale);
    if (options.input.empty())
        ReadCrossSections(InputText{"built-in example", ExampleDocument()}, set);
    else
        ReadCrossSections(options.input, set);
    if (options.normalize) set.NormalizeVertical();

    std::size_t pieces = 0, bridges = 0;
    for (CrossSection& item : set.GetItems()) {
        pieces += item.GetConvexLoops().size();
        bridges += item.AddedVertices().size();
    }
    std::string json = kor::DomWriterJson::ToString(DecompositionDocument(set), options.layout.indent,
                                                    options.layout.flatArraysOnOneLine);
    if (json.empty() || json.back() != '\n') json += '\n';

    if (!options.svg.empty()) {
        const std::string title = "Convex decomposition of " +
                                  (options.input.empty() ? std::string("the built-in example") : InputName(options.input));
        WriteTextFile(options.svg, RenderSvg(set, title));
    }
    if (options.output.empty()) {
        std::cout << json << std::flush;
    } else {
        WriteTextFile(options.output, json);
        std::cout << Count(set.Items().size(), "item", "items") << ", "
                  << Count(set.Positions().size(), "position", "positions") << ", "
                  << Count(pieces, "convex piece", "convex pieces") << ", "
                  << Count(bridges, "bridge point", "bridge points") << "\n";
    }
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
