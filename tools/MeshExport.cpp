#include "MeshExport.h"

#include <sstream>

#include <kor/Dom.h>
#include <kor/DomWriterJson.h>

#include "Output.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

// OBJ names end at the line; keep them on one.
std::string ObjName(const std::string& name) {
    std::string out = name.empty() ? std::string("mesh") : name;
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    return out;
}

}  // namespace

void WriteObj(const std::string& path, const std::vector<ImportedMesh>& meshes) {
    std::ostringstream out;
    out << "# welded by shapeexport\n";
    long long base = 1;
    for (const ImportedMesh& imported : meshes) {
        const Mesh& mesh = imported.mesh;
        out << "o " << ObjName(imported.name) << '\n';
        for (const Position& p : mesh.Positions())
            out << "v " << ShortestText(p.X()) << ' ' << ShortestText(p.Y()) << ' ' << ShortestText(p.Z()) << '\n';
        const std::vector<long long>& indices = mesh.Indices();
        for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
            out << "f " << base + indices[i] << ' ' << base + indices[i + 1] << ' ' << base + indices[i + 2] << '\n';
        base += static_cast<long long>(mesh.Positions().size());
    }
    WriteTextFile(path, out.str());
}

void WriteMeshJson(const std::string& path, const std::vector<ImportedMesh>& meshes, const JsonLayout& layout) {
    kor::Dom document;
    kor::Dom& list = document["meshes"].toArray();
    for (const ImportedMesh& imported : meshes) {
        kor::Dom& entry = list.append();
        entry["name"] = kor::Dom(imported.name);
        kor::Dom& positions = entry["positions"].toArray();
        positions.reserve(imported.mesh.Positions().size());
        for (const Position& p : imported.mesh.Positions()) {
            kor::Dom& point = positions.append().toArray();
            point.append() = kor::Dom(p.X());
            point.append() = kor::Dom(p.Y());
            point.append() = kor::Dom(p.Z());
        }
        kor::Dom& indices = entry["indices"].toArray();
        indices.reserve(imported.mesh.Indices().size());
        for (long long index : imported.mesh.Indices()) indices.append() = kor::Dom(index);
    }
    WriteTextFile(path, kor::DomWriterJson::ToString(document, layout.indent, layout.flatArraysOnOneLine) + "\n");
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
