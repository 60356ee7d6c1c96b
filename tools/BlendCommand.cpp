// shapeexport blend: the set between two compatible sets, as a cross-section document.
#include <sstream>
#include <string>

#include <kor/ShapeExport/CrossSections.h>

#include "Commands.h"
#include "Input.h"
#include "Output.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

int RunBlend(const BlendOptions& options) {
    CrossSections a;
    CrossSections b;
    SetReading how;
    how.finiteOnly = true;
    ReadCrossSections(options.first, a, how);
    ReadCrossSections(options.second, b, how);
    // Sets that do not correspond would blend to a copy of the first: refused.
    if (!a.IsCompatible(b, options.convex))
        throw InputError(InputName(options.first) + " and " + InputName(options.second) + " are not compatible" +
                         (options.convex ? " (their convex loops differ)" : " (their outlines differ)") +
                         ": a blend needs the same items over the same vertex indices");

    const CrossSections blend(a, b, options.t, options.convex);
    std::ostringstream text;
    blend.Write(text, options.layout.indent, options.layout.flatArraysOnOneLine);
    const std::string json = text.str() + '\n';
    WriteTextFile(options.output.empty() ? "-" : options.output, json);
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
