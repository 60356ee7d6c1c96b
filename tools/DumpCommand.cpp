// shapeexport dump: the library's diagnostic text of a cross-section set.
#include <fstream>
#include <iostream>

#include <kor/ShapeExport/CrossSections.h>

#include "Commands.h"
#include "Input.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

int RunDump(const DumpOptions& options) {
    CrossSections set;
    ReadCrossSections(options.input, set);
    if (options.output.empty() || options.output == "-") {
        set.Dump(std::cout, "");
        std::cout.flush();
        return 0;
    }
    std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) throw InputError(options.output + ": cannot be written");
    set.Dump(out, "");
    out.close();
    if (!out) throw InputError(options.output + ": writing failed");
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
