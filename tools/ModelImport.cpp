#include "ModelImport.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#include <unistd.h>
#define SHAPEEXPORT_HAS_RLIMIT 1
#endif

#include <utf8.h>

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>

#include <kor/ShapeExport/Matrix.h>
#include <kor/math/Mat.h>

#include "Input.h"
#include "Output.h"
#include "Progress.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

// A mesh name, given in UTF-8, as wide text; an invalid sequence becomes U+FFFD.
std::wstring WideFromUtf8(const std::string& text) {
    std::string valid;
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
    std::wstring wide;
    if constexpr (sizeof(wchar_t) >= 4)
        utf8::utf8to32(valid.begin(), valid.end(), std::back_inserter(wide));
    else
        utf8::utf8to16(valid.begin(), valid.end(), std::back_inserter(wide));
    return wide;
}

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

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SHAPEEXPORT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SHAPEEXPORT_SANITIZED 1
#endif
#endif

// While a model is imported: the address space capped, so that a file declaring
// billions of vertices fails its first large allocation at once instead of paging
// for minutes; and an assertion inside the importer (a plain assert, which aborts)
// turned into a message and exit status 1. Both are undone afterwards.
class ImportGuard {
public:
    bool Limited() const {
#ifdef SHAPEEXPORT_HAS_RLIMIT
        return m_limited;
#else
        return false;
#endif
    }

    ImportGuard(const std::string& name, double maxMemoryGB) {
        std::snprintf(s_abortMessage, sizeof s_abortMessage,
                      "shapeexport: %s: cannot import the model: the importer failed an internal check\n",
                      name.c_str());
        m_previousAbort = std::signal(SIGABRT, OnAbort);
#if defined(SHAPEEXPORT_HAS_RLIMIT) && !defined(SHAPEEXPORT_SANITIZED)
        // (Sanitizers reserve terabytes of address space: no cap under them.)
        if (maxMemoryGB > 0 && getrlimit(RLIMIT_AS, &m_previousLimit) == 0) {
            rlimit capped = m_previousLimit;
            // The import may use this much beyond what the process holds already.
            const double bytes = maxMemoryGB * 1024.0 * 1024.0 * 1024.0 + AddressSpaceInUse();
            if (capped.rlim_cur == RLIM_INFINITY || static_cast<double>(capped.rlim_cur) > bytes)
                capped.rlim_cur = static_cast<rlim_t>(bytes);
            m_limited = setrlimit(RLIMIT_AS, &capped) == 0;
        }
#else
        (void)maxMemoryGB;
#endif
    }
    ~ImportGuard() {
        std::signal(SIGABRT, m_previousAbort);
#if defined(SHAPEEXPORT_HAS_RLIMIT) && !defined(SHAPEEXPORT_SANITIZED)
        if (m_limited) setrlimit(RLIMIT_AS, &m_previousLimit);
#endif
    }
    ImportGuard(const ImportGuard&) = delete;
    ImportGuard& operator=(const ImportGuard&) = delete;

private:
    // Bytes of address space the process holds (Linux; 0 where that is not known).
    static double AddressSpaceInUse() {
        double pages = 0.0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%lf", &pages) != 1) pages = 0.0;
            std::fclose(statm);
        }
        return pages * static_cast<double>(sysconf(_SC_PAGESIZE));
    }

    static void OnAbort(int) {
#ifdef SHAPEEXPORT_HAS_RLIMIT
        const ssize_t written = write(STDERR_FILENO, s_abortMessage, std::strlen(s_abortMessage));
        (void)written;
        _exit(1);
#else
        std::_Exit(1);
#endif
    }

    static char s_abortMessage[1024];
    void (*m_previousAbort)(int);
#ifdef SHAPEEXPORT_HAS_RLIMIT
    rlimit m_previousLimit{};
    bool m_limited = false;
#endif
};

char ImportGuard::s_abortMessage[1024];

}  // namespace

std::vector<ImportedMesh> ImportModel(const std::string& path, double maxMemoryGB) {
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
    const aiScene* scene = nullptr;
    bool limited = false;
    try {
        const ImportGuard guard(name, maxMemoryGB);
        limited = guard.Limited();
        scene = path == "-" ? importer.ReadFileFromMemory(buffer.data(), buffer.size(), flags, "")
                            : importer.ReadFile(path, flags);
    } catch (const std::bad_alloc&) {
        scene = nullptr;
    }
    const std::string tooBig = name + ": cannot import the model: it needs more memory than the limit of " +
                               ShortestText(maxMemoryGB) + " GB (--max-memory raises it)";
    if (!scene) {
        std::string reason = importer.GetErrorString();
        // The importer reports an allocation that the limit refused as its own error,
        // or, where it failed deep inside, as an unknown exception.
        if (reason.find("bad_alloc") != std::string::npos ||
            (limited && reason.find("Unknown exception") != std::string::npos))
            throw InputError(tooBig);
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
            if (node->mChildren[c])
                stack.emplace_back(node->mChildren[c], placed * node->mChildren[c]->mTransformation);
    }
    if (meshes.empty()) throw InputError(name + ": no node of the model places a mesh");
    return meshes;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
