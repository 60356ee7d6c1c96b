#include "ModelImport.h"

#include <utility>

#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <kor/ShapeExport/Matrix.h>
#include <kor/math/Mat.h>

#include "Input.h"
#include "Progress.h"
#include "ToolError.h"
#include "Utf8.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

// Forwards Assimp's progress reports to the indicator.
class ImportProgress : public Assimp::ProgressHandler {
public:
    explicit ImportProgress(Progress& progress) : m_progress(progress) {}
    bool Update(float percentage) override {
        if (percentage >= 0.0f && percentage <= 1.0f) m_progress.SetFraction(percentage);
        return true;  // never cancel
    }

private:
    Progress& m_progress;
};

// Assimp's matrices are row-major with the translation in a4, b4, c4; the library's
// puts the translation in m[12..14]: m[4*c + r] = a[r][c].
kor::Mat<4, double> ToMat(const aiMatrix4x4& a) {
    kor::Mat<4, double> m;
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c) m.m[4 * c + r] = static_cast<double>(a[r][c]);
    return m;
}

std::string MeshName(const aiScene& scene, const aiNode& node, unsigned index) {
    const aiMesh& mesh = *scene.mMeshes[index];
    if (mesh.mName.length > 0) return mesh.mName.C_Str();
    if (node.mName.length > 0) return node.mName.C_Str();
    return "mesh " + std::to_string(index);
}

}  // namespace

std::vector<ImportedMesh> ImportModel(const std::string& path) {
    const std::string name = InputName(path);
    const unsigned flags = aiProcess_Triangulate;
    std::string buffer;
    if (path == "-")
        buffer = ReadInput(path).text;
    else
        CheckInputFile(path);

    Progress progress("importing " + name);
    Assimp::Importer importer;
    importer.SetProgressHandler(new ImportProgress(progress));  // the importer owns it
    const aiScene* scene = path == "-" ? importer.ReadFileFromMemory(buffer.data(), buffer.size(), flags, "")
                                       : importer.ReadFile(path, flags);
    if (!scene) {
        std::string reason = importer.GetErrorString();
        if (reason.empty()) reason = "unknown reason";
        throw InputError(name + ": cannot import the model: " + reason);
    }
    if (!scene->mRootNode || scene->mNumMeshes == 0) throw InputError(name + ": the model holds no meshes");

    std::vector<ImportedMesh> meshes;
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> stack{{scene->mRootNode, scene->mRootNode->mTransformation}};
    while (!stack.empty()) {
        const aiNode* node = stack.back().first;
        const aiMatrix4x4 placed = stack.back().second;
        stack.pop_back();
        const kor::Mat<4, double> transform = ToMat(placed);
        for (unsigned k = 0; k < node->mNumMeshes; ++k) {
            const unsigned index = node->mMeshes[k];
            if (index >= scene->mNumMeshes || !scene->mMeshes[index]) continue;
            const std::string meshName = MeshName(*scene, *node, index);
            ImportedMesh imported{meshName, Mesh(WideFromUtf8(meshName).c_str())};
            imported.mesh.fromOBJ(scene->mMeshes[index], Matrix(transform));
            meshes.push_back(std::move(imported));
        }
        // Children in reverse, so that they come off the stack in document order.
        for (unsigned c = node->mNumChildren; c-- > 0;)
            if (node->mChildren[c]) stack.emplace_back(node->mChildren[c], placed * node->mChildren[c]->mTransformation);
    }
    if (meshes.empty()) throw InputError(name + ": no node of the model places a mesh");
    return meshes;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
