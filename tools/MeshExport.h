// Writing meshes: Wavefront OBJ (one object per mesh, positions as "v", triangles as
// "f" with 1-based indices counted across the file) and JSON
// {"meshes": [{"name": ..., "positions": [[x, y, z], ...], "indices": [...]}, ...]}.
// Numbers are written in their shortest exact form.
#pragma once

#include <string>
#include <vector>

#include "Commands.h"
#include "ModelImport.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

// Trailing indices that do not make a whole triangle are left out of the OBJ file.
void WriteObj(const std::string& path, const std::vector<ImportedMesh>& meshes);
void WriteMeshJson(const std::string& path, const std::vector<ImportedMesh>& meshes, const JsonLayout& layout);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
