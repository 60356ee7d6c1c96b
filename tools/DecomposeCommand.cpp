// shapeexport decompose: every item's convex loops as JSON, optionally drawn as SVG.
#include <cmath>
#include <cstddef>
#include <iostream>
#include <string>
#include <vector>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/LoopChecks.h>

#include "Commands.h"
#include "DecompositionLayout.h"
#include "Example.h"
#include "Input.h"
#include "JsonEmitter.h"
#include "Output.h"
#include "Svg.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

int RunDecompose(const DecomposeOptions& options) {
    CrossSections set(options.scale);
    SetReading how;
    how.fixOrientation = options.fixOrientation;
    how.finiteOnly = true;
    if (options.input.empty())
        ReadCrossSections(InputText{"built-in example", ExampleDocument()}, set, how);
    else
        ReadCrossSections(options.input, set, how);
    for (std::size_t i = 0; i < set.Positions().size(); ++i)
        if (!std::isfinite(set.Positions()[i].x()) || !std::isfinite(set.Positions()[i].y()))
            throw InputError(InputName(options.input) + ": --scale " + ShortestText(options.scale) +
                             " takes position " + std::to_string(i) + " beyond the range of doubles");
    if (options.normalize) set.NormalizeVertical();

    set.DecomposeAll(options.jobs);
    // The pieces: the decomposition's, or merged, cleaned, bounded and under a slop
    // when asked.
    const ConvexMergeOptions merging{options.merge, options.clean, options.maxVertices, options.slop};
    const bool reshape = AsksForAnyStep(merging);
    std::vector<std::vector<Loop>> pieces;
    std::size_t pieceCount = 0, bridges = 0, notConvex = 0;
    for (const CrossSection& item : set.Items()) {
        pieces.push_back(reshape ? MergeConvexLoops(set.Positions(), item.ConvexLoops(), merging) : item.ConvexLoops());
        pieceCount += pieces.back().size();
        bridges += item.AddedVertices().size();
        for (const Loop& piece : pieces.back()) notConvex += IsConvex(piece, set.Positions()) ? 0 : 1;
    }
    if (notConvex > 0)
        std::cerr << "shapeexport: warning: " << Count(notConvex, "piece is", "pieces are") << " not convex (loops "
                  << "the exact steps could not split, listed under \"notConvex\")"
                  << (options.merge ? "" : "; --merge gives convex pieces") << "\n";
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
    if (options.output.empty() || options.output == "-") {
        WriteTextFile("-", json);
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
