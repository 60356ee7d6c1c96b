// shapeexport dump: the library's diagnostic text of a cross-section set.
#include <fstream>
#include <iostream>

#include <kor/ShapeExport/CrossSections.h>

#include "Commands.h"
#include "Input.h"
#include "Output.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

void DumpInto(const CrossSections& set, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) throw InputError(path + ": cannot be written");
    set.Dump(out, "");
    out.close();
    if (!out) throw InputError(path + ": writing failed");
}

}  // namespace

int RunDump(const DumpOptions& options) {
    CrossSections set;
    ReadCrossSections(options.input, set);
    if (!options.output.empty()) {
        DumpInto(set, options.output);
        return 0;
    }
    // The dump writes only into a file stream: write a temporary file and copy it.
    // (Reopening /dev/stdout instead would truncate a file that standard output is
    // appending to.)
    TemporaryFile temporary("shapeexport-dump");
    DumpInto(set, temporary.Path());
    CopyFileTo(temporary.Path(), std::cout);
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
