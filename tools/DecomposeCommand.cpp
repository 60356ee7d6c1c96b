// shapeexport decompose: every item's convex loops as JSON, optionally drawn as SVG.
#include <cstddef>
#include <iostream>
#include <string>
#include <vector>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>

#include "Commands.h"
#include "DecompositionLayout.h"
#include "Example.h"
#include "Input.h"
#include "JsonEmitter.h"
#include "Output.h"
#include "Svg.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

int RunDecompose(const DecomposeOptions& options) {
    CrossSections set(options.scale);
    if (options.input.empty())
        ReadCrossSections(InputText{"built-in example", ExampleDocument()}, set);
    else
        ReadCrossSections(options.input, set);
    if (options.normalize) set.NormalizeVertical();

    set.DecomposeAll(options.jobs);
    // The pieces: the decomposition's, or merged, cleaned and bounded when asked.
    const bool reshape = options.merge || options.clean || options.maxVertices != 0;
    const ConvexMergeOptions merging{options.merge, options.clean, options.maxVertices};
    std::vector<std::vector<Loop>> pieces;
    std::size_t pieceCount = 0, bridges = 0;
    for (const CrossSection& item : set.Items()) {
        pieces.push_back(reshape ? MergeConvexLoops(set.Positions(), item.ConvexLoops(), merging) : item.ConvexLoops());
        pieceCount += pieces.back().size();
        bridges += item.AddedVertices().size();
    }
    std::string json;
    {
        kor::detail::JsonSink sink(json);
        kor::detail::JsonEmitter out(sink, options.layout.indent, options.layout.flatArraysOnOneLine);
        WriteDecomposition(out, set, pieces);
    }
    json += '\n';

    if (!options.svg.empty()) {
        const std::string title =
            "Convex decomposition of " +
            (options.input.empty() ? std::string("the built-in example") : InputName(options.input));
        WriteTextFile(options.svg, RenderSvg(set, pieces, title));
    }
    if (options.output.empty()) {
        std::cout << json << std::flush;
    } else {
        WriteTextFile(options.output, json);
        std::cout << Count(set.Items().size(), "item", "items") << ", "
                  << Count(set.Positions().size(), "position", "positions") << ", "
                  << Count(pieceCount, "convex piece", "convex pieces") << ", "
                  << Count(bridges, "bridge point", "bridge points") << "\n";
    }
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
