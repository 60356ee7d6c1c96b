// The subcommands of the shapeexport tool. Each returns the exit code of a run that
// worked (0) and throws InputError for a problem with its input or output files.
#pragma once

#include <cstddef>
#include <string>

namespace kor {
namespace ShapeExport {
namespace Tool {

// How JSON output is laid out: by default indented by 2 with arrays of plain values
// ([12.5, 3.0], [4, true]) on one line; --indent N puts every value on a line of
// its own, --compact leaves out all white space.
struct JsonLayout {
    int indent = 2;
    bool flatArraysOnOneLine = true;
};

struct DecomposeOptions {
    std::string input;   // empty: the built-in example
    std::string output;  // empty or "-": the JSON goes to standard output
    std::string svg;
    double scale = 1.0;
    bool normalize = false;
    bool fixOrientation = false;  // reverse loops that run the wrong way
    unsigned jobs = 0;            // threads for the decomposition; 0: one per core
    bool merge = false;           // join pieces whose union is convex
    bool clean = false;           // drop straight corners of the pieces
    std::size_t maxVertices = 0;  // split pieces with more vertices; 0: no bound
    double slop = 0.0;            // engine-ready pieces under this distance; 0: none
    JsonLayout layout;
};
int RunDecompose(const DecomposeOptions& options);

struct DumpOptions {
    std::string input;
    std::string output;  // empty: standard output
};
int RunDump(const DumpOptions& options);

struct BlendOptions {
    std::string first;
    std::string second;
    double t = 0.0;
    bool convex = false;
    std::string output;  // empty: standard output
    JsonLayout layout;
};
int RunBlend(const BlendOptions& options);

struct WeldOptions {
    std::string model;
    std::string obj;           // empty: no OBJ written
    std::string json;          // empty: no JSON written
    double maxMemoryGB = 4.0;  // address space the import may use; 0: no limit
    JsonLayout layout;
};
int RunWeld(const WeldOptions& options);

int RunExtrusion(const std::string& input);
int RunEndPlane(const std::string& input);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
