// shapeexport blend: the set between two compatible sets, as a cross-section document.
#include <iostream>
#include <sstream>
#include <string>

#include <kor/ShapeExport/CrossSections.h>

#include "Commands.h"
#include "Input.h"
#include "Output.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

int RunBlend(const BlendOptions& options) {
    CrossSections a;
    CrossSections b;
    ReadCrossSections(options.first, a);
    ReadCrossSections(options.second, b);
    // Incompatible sets blend to a copy of the first; say so, it is rarely intended.
    if (!a.IsCompatible(b, options.convex))
        std::cerr << "shapeexport: warning: " << InputName(options.first) << " and " << InputName(options.second)
                  << " are not compatible" << (options.convex ? " (convex loops differ)" : " (outlines differ)")
                  << "; the result holds the positions of " << InputName(options.first) << " unchanged\n";

    const CrossSections blend(a, b, options.t, options.convex);
    std::ostringstream text;
    blend.Write(text, options.layout.indent, options.layout.flatArraysOnOneLine);
    const std::string json = text.str() + '\n';
    if (options.output.empty())
        std::cout << json << std::flush;
    else
        WriteTextFile(options.output, json);
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
