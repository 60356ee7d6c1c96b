// Importing a model with Assimp into library meshes: one kor::ShapeExport::Mesh per
// mesh instance of the node tree, placed by the node's accumulated transform.
#pragma once

#include <string>
#include <vector>

#include <kor/ShapeExport/Mesh.h>

namespace kor {
namespace ShapeExport {
namespace Tool {

struct ImportedMesh {
    std::string name;  // the Assimp mesh name, else its node's name, else "mesh <n>"
    Mesh mesh;
};

// Reads `path` ("-": standard input, format detected from the content) with
// triangulation. A file Assimp cannot read, a model without meshes, one whose import
// needs more than `maxMemoryGB` gigabytes of address space (0: no limit) or fails an
// internal check of the importer (exit status 1 then, at once) is an InputError
// naming the file.
std::vector<ImportedMesh> ImportModel(const std::string& path, double maxMemoryGB);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
