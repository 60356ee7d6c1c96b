// Welding unindexed grid meshes (every corner its own position, as OBJ importers
// deliver them; corners of one grid vertex jittered apart by less than the weld
// tolerance) with the mesh's welded copy, the straightforward algorithm (small sizes
// only) and meshoptimizer's exact-duplicate remap, all on the same meshes.
//
// Arguments: number of triangles; 1 for jittered corners (the case to weld), 0 for
// corners that are exact copies (meshoptimizer's own case, for comparison).
//
// Counters: extra_MB is the peak memory allocated during one operation beyond what
// was allocated before it (its result included); extra_x_mesh is that peak over the
// size of the source mesh's arrays; x_meshopt and x_meshopt_cpu are the mean wall and
// thread-CPU times of the operation over those of meshopt_generateVertexRemap on the
// same mesh in this run (the CPU ratio is the steadier one on a busy machine).
#include "AllocationCounter.h"
#include "ReferenceWeld.h"

#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Mesh.h>

#include <assimp/mesh.h>
#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

using kor::ShapeExport::Matrix;
using kor::ShapeExport::Mesh;
using kor::ShapeExport::Position;

namespace {

const kor::Mat<4, double> kIdentity = kor::Mat<4, double>::Identity();
constexpr double kSpacing = 0.01;  // grid spacing, far above the tolerance
constexpr double kJitter = 2e-5;   // per component: two corners differ by < 1e-4 / sqrt(3)

struct Key {
    std::int64_t triangles;
    bool jittered;
    bool operator<(const Key& o) const {
        return triangles != o.triangles ? triangles < o.triangles : jittered < o.jittered;
    }
};

Key KeyOf(const benchmark::State& state) { return {state.range(0), state.range(1) != 0}; }

struct Grid {
    int cellsX, cellsY;
};

Grid GridFor(std::int64_t triangles) {
    switch (triangles) {
        case 10000: return {100, 50};
        case 100000: return {250, 200};
        default: return {1000, static_cast<int>(triangles / 2000)};
    }
}

// The grid mesh, built through an Assimp mesh like a host would fill it.
std::unique_ptr<Mesh> BuildGridMesh(const Key& key) {
    const Grid g = GridFor(key.triangles);
    const std::size_t cells = static_cast<std::size_t>(g.cellsX) * static_cast<std::size_t>(g.cellsY);
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> noise(-kJitter, kJitter);
    auto jitter = [&](std::mt19937_64& r) { return key.jittered ? noise(r) : 0.0; };
    auto corner = [&](int i, int j) {
        const double x = i * kSpacing, y = j * kSpacing;
        const double z = 0.05 * std::sin(i * 0.05) * std::cos(j * 0.07);
        return aiVector3D(static_cast<float>(x + jitter(rng)), static_cast<float>(y + jitter(rng)),
                          static_cast<float>(z + jitter(rng)));
    };

    aiMesh ai;
    ai.mNumVertices = static_cast<unsigned>(6 * cells);
    ai.mVertices = new aiVector3D[6 * cells];
    ai.mNumFaces = static_cast<unsigned>(2 * cells);
    ai.mFaces = new aiFace[2 * cells];
    unsigned v = 0, f = 0;
    for (int j = 0; j < g.cellsY; ++j) {
        for (int i = 0; i < g.cellsX; ++i) {
            const int quad[2][3][2] = {{{0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {1, 1}, {0, 1}}};
            for (const auto& tri : quad) {
                aiFace& face = ai.mFaces[f++];
                face.mNumIndices = 3;
                face.mIndices = new unsigned[3];
                for (int c = 0; c < 3; ++c) {
                    ai.mVertices[v] = corner(i + tri[c][0], j + tri[c][1]);
                    face.mIndices[c] = v++;
                }
            }
        }
    }
    auto mesh = std::make_unique<Mesh>(L"grid");
    mesh->fromOBJ(&ai, Matrix(kIdentity));
    return mesh;
}

const Mesh& GridMesh(const Key& key) {
    static std::map<Key, std::unique_ptr<Mesh>> cache;
    auto& slot = cache[key];
    if (!slot) slot = BuildGridMesh(key);
    return *slot;
}

std::size_t WeldedCount(std::int64_t triangles) {
    const Grid g = GridFor(triangles);
    return static_cast<std::size_t>(g.cellsX + 1) * static_cast<std::size_t>(g.cellsY + 1);
}

double MeshBytes(const Mesh& m) {
    return static_cast<double>(m.Positions().size() * sizeof(Position) + m.Indices().size() * sizeof(long long));
}

struct Times {
    double wall = 0, cpu = 0;  // mean seconds per run
};
std::map<Key, Times> g_meshopt;  // the remap's times per mesh

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Peak bytes allocated by one run of `op` beyond what was allocated before it.
template <typename Op>
double PeakExtraBytes(Op&& op) {
    const std::size_t before = bench::AllocatedBytes();
    bench::ResetPeak();
    op();
    return static_cast<double>(bench::PeakBytes() - before);
}

template <typename Op>
Times TimedLoop(benchmark::State& state, Op&& op) {
    std::int64_t runs = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    for (auto _ : state) {
        op();
        ++runs;
    }
    const double cpu = ThreadCpuSeconds() - cpuStart;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    if (runs == 0) return {};
    return {wall.count() / static_cast<double>(runs), cpu / static_cast<double>(runs)};
}

void ReportCommon(benchmark::State& state, const Mesh& mesh, double extraBytes, const Times& times) {
    state.counters["positions_in"] = static_cast<double>(mesh.Positions().size());
    state.counters["extra_MB"] = extraBytes / (1024.0 * 1024.0);
    state.counters["extra_x_mesh"] = extraBytes / MeshBytes(mesh);
    const auto it = g_meshopt.find(KeyOf(state));
    if (it != g_meshopt.end() && it->second.wall > 0 && it->second.cpu > 0) {
        state.counters["x_meshopt"] = times.wall / it->second.wall;
        state.counters["x_meshopt_cpu"] = times.cpu / it->second.cpu;
    }
}

void BM_MeshoptRemap(benchmark::State& state) {
    const Mesh& mesh = GridMesh(KeyOf(state));
    const std::size_t n = mesh.Positions().size();
    std::size_t unique = 0;
    auto op = [&] {
        std::unique_ptr<unsigned[]> remap(new unsigned[n]);
        unique = meshopt_generateVertexRemap(remap.get(), static_cast<const unsigned*>(nullptr), n,
                                             mesh.Positions().data(), n, sizeof(Position));
        benchmark::DoNotOptimize(remap.get());
    };
    const double extra = PeakExtraBytes(op);
    const Times times = TimedLoop(state, op);
    g_meshopt[KeyOf(state)] = times;
    ReportCommon(state, mesh, extra, times);
    state.counters["positions_out"] = static_cast<double>(unique);
}

// Exact-duplicate welding done completely with meshoptimizer (remap, new vertex and
// index buffers), for context.
void BM_MeshoptFull(benchmark::State& state) {
    const Mesh& mesh = GridMesh(KeyOf(state));
    const std::size_t n = mesh.Positions().size();
    std::size_t unique = 0;
    auto op = [&] {
        std::unique_ptr<unsigned[]> remap(new unsigned[n]);
        unique = meshopt_generateVertexRemap(remap.get(), static_cast<const unsigned*>(nullptr), n,
                                             mesh.Positions().data(), n, sizeof(Position));
        std::vector<Position> vertices(unique);
        meshopt_remapVertexBuffer(vertices.data(), mesh.Positions().data(), n, sizeof(Position), remap.get());
        std::unique_ptr<unsigned[]> indices(new unsigned[n]);
        meshopt_remapIndexBuffer(indices.get(), static_cast<const unsigned*>(nullptr), n, remap.get());
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(indices.get());
    };
    const double extra = PeakExtraBytes(op);
    const Times times = TimedLoop(state, op);
    ReportCommon(state, mesh, extra, times);
    state.counters["positions_out"] = static_cast<double>(unique);
}

void BM_Weld(benchmark::State& state) {
    const Mesh& mesh = GridMesh(KeyOf(state));
    std::size_t kept = 0;
    auto op = [&] {
        const Mesh welded(mesh, true);
        kept = welded.Positions().size();
        benchmark::DoNotOptimize(welded.Positions().data());
    };
    const double extra = PeakExtraBytes(op);
    if (kept != WeldedCount(state.range(0))) state.SkipWithError("unexpected number of welded positions");
    const Times times = TimedLoop(state, op);
    ReportCommon(state, mesh, extra, times);
    state.counters["positions_out"] = static_cast<double>(kept);
}

void BM_Reference(benchmark::State& state) {
    const Mesh& mesh = GridMesh(KeyOf(state));
    reference::Welded result;
    auto op = [&] {
        result = reference::Weld(mesh.Positions(), mesh.Indices());
        benchmark::DoNotOptimize(result.positions.data());
    };
    const double extra = PeakExtraBytes(op);
    const Mesh welded(mesh, true);
    bool same = result.indices == welded.Indices() && result.positions.size() == welded.Positions().size();
    for (std::size_t k = 0; same && k < result.positions.size(); ++k)
        same = std::memcmp(&result.positions[k], &welded.Positions()[k], sizeof(Position)) == 0;
    if (!same) state.SkipWithError("the welded copy differs from the straightforward algorithm");
    const Times times = TimedLoop(state, op);
    ReportCommon(state, mesh, extra, times);
    state.counters["positions_out"] = static_cast<double>(result.positions.size());
}

void BM_PlainCopy(benchmark::State& state) {
    const Mesh& mesh = GridMesh(KeyOf(state));
    auto op = [&] {
        const Mesh copy(mesh, false);
        benchmark::DoNotOptimize(copy.Positions().data());
    };
    const double extra = PeakExtraBytes(op);
    const Times times = TimedLoop(state, op);
    ReportCommon(state, mesh, extra, times);
}

}  // namespace

void MeshArgs(benchmark::internal::Benchmark* b) {
    for (const std::int64_t jittered : {1, 0})
        for (const std::int64_t triangles : {10000, 100000, 1000000}) b->Args({triangles, jittered});
    b->ArgNames({"triangles", "jittered"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_MeshoptRemap)->Apply(MeshArgs);
BENCHMARK(BM_MeshoptFull)->Apply(MeshArgs);
BENCHMARK(BM_Weld)->Apply(MeshArgs);
BENCHMARK(BM_Reference)->Args({10000, 1})->ArgNames({"triangles", "jittered"})->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopy)->Apply(MeshArgs);

BENCHMARK_MAIN();
