// shapeexport weld: import a model, weld every mesh, report and write the result.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <kor/ShapeExport/Mesh.h>

#include "Commands.h"
#include "Input.h"
#include "MeshExport.h"
#include "ModelImport.h"
#include "Output.h"
#include "Progress.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Duration(double seconds) {
    char buffer[32];
    if (seconds < 1.0)
        std::snprintf(buffer, sizeof buffer, "%.3f ms", seconds * 1000.0);
    else
        std::snprintf(buffer, sizeof buffer, "%.3f s", seconds);
    return buffer;
}

}  // namespace

int RunWeld(const WeldOptions& options) {
    const Clock::time_point importStart = Clock::now();
    std::vector<ImportedMesh> meshes = ImportModel(options.model, options.maxMemoryGB);
    const double importSeconds = Seconds(importStart);

    std::size_t totalBefore = 0, totalAfter = 0, totalTriangles = 0;
    double weldSeconds = 0.0;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        ImportedMesh& imported = meshes[i];
        const std::size_t before = imported.mesh.Positions().size();
        const Clock::time_point start = Clock::now();
        {
            Progress progress("welding " + imported.name + " (" + std::to_string(i + 1) + " of " +
                              std::to_string(meshes.size()) + ", " + Count(before, "position", "positions") + ")");
            imported.mesh = Mesh(imported.mesh, true);
        }
        const double seconds = Seconds(start);
        const std::size_t after = imported.mesh.Positions().size();
        const std::size_t triangles = imported.mesh.Indices().size() / 3;
        std::cout << "mesh \"" << imported.name << "\": positions " << before << " -> " << after << ", "
                  << Count(triangles, "triangle", "triangles") << ", welded in " << Duration(seconds) << '\n';
        totalBefore += before;
        totalAfter += after;
        totalTriangles += triangles;
        weldSeconds += seconds;
    }
    std::cout << "total (" << Count(meshes.size(), "mesh", "meshes") << "): positions " << totalBefore << " -> "
              << totalAfter << ", " << Count(totalTriangles, "triangle", "triangles") << ", imported in "
              << Duration(importSeconds) << ", welded in " << Duration(weldSeconds) << '\n';
    std::cout.flush();
    if (totalTriangles == 0)
        std::cerr << "shapeexport: warning: " << InputName(options.model)
                  << ": no triangles found (the model holds only points or lines), so nothing was welded\n";

    if (!options.obj.empty()) WriteObj(options.obj, meshes);
    if (!options.json.empty()) WriteMeshJson(options.json, meshes, options.layout);
    return 0;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
