// The welded copy side by side with meshoptimizer's exact-duplicate remap
// (meshopt_generateVertexRemap) on the same positions, in the same run: each
// iteration times one remap and then one weld.
//
// Inputs: unindexed grid meshes (every corner its own position, as OBJ importers
// deliver them) filled through Mesh::fromOBJ, with corners of one grid vertex
// jittered apart by less than the tolerance; and the inputs of WeldInputs.h built
// to defeat a grid or a hash, about 250k and 1M positions each, every position named
// once.
//
// Counters: weld_ms and meshopt_ms, the least thread CPU time of a run over the
// iterations (the steadiest measure on a shared machine), and x_meshopt, their
// ratio. For the jittered grids also meshopt_exact_ms and x_meshopt_exact: the remap
// of the same grid without jitter, where it finds the grid vertices. extra_x_mesh is
// the peak heap allocated by one weld beyond what was allocated before it, result
// included, over the bytes of the source positions and indices; result_x_mesh is the
// result's share of it. The program ends with these as a table.
//
// Mesh(other, true) is detail::Weld plus copies of name and transform.
#include "AllocationCounter.h"
#include "Weld.h"
#include "WeldInputs.h"

#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Mesh.h>

#include <assimp/mesh.h>
#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using kor::ShapeExport::Matrix;
using kor::ShapeExport::Mesh;
using kor::ShapeExport::Position;

namespace {

const kor::Mat<4, double> kIdentity = kor::Mat<4, double>::Identity();
constexpr double kSpacing = 0.01;  // grid spacing, far above the tolerance
constexpr double kJitter = 2e-5;   // per component: two corners differ by < 1e-4 / sqrt(3)

struct Source {
    std::vector<Position> positions;
    std::vector<long long> indices;
};

// An unindexed grid mesh of `cellsX` x `cellsY` quads, filled as a host would fill it.
Source GridMesh(int cellsX, int cellsY, bool jittered) {
    const std::size_t cells = static_cast<std::size_t>(cellsX) * static_cast<std::size_t>(cellsY);
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> noise(-kJitter, kJitter);
    auto corner = [&](int i, int j) {
        const double x = i * kSpacing, y = j * kSpacing;
        const double z = 0.05 * std::sin(i * 0.05) * std::cos(j * 0.07);
        const double dx = jittered ? noise(rng) : 0.0, dy = jittered ? noise(rng) : 0.0,
                     dz = jittered ? noise(rng) : 0.0;
        return aiVector3D(static_cast<float>(x + dx), static_cast<float>(y + dy), static_cast<float>(z + dz));
    };
    aiMesh ai;
    ai.mNumVertices = static_cast<unsigned>(6 * cells);
    ai.mVertices = new aiVector3D[6 * cells];
    ai.mNumFaces = static_cast<unsigned>(2 * cells);
    ai.mFaces = new aiFace[2 * cells];
    unsigned v = 0, f = 0;
    const int quad[2][3][2] = {{{0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {1, 1}, {0, 1}}};
    for (int j = 0; j < cellsY; ++j)
        for (int i = 0; i < cellsX; ++i)
            for (const auto& tri : quad) {
                aiFace& face = ai.mFaces[f++];
                face.mNumIndices = 3;
                face.mIndices = new unsigned[3];
                for (int c = 0; c < 3; ++c) {
                    ai.mVertices[v] = corner(i + tri[c][0], j + tri[c][1]);
                    face.mIndices[c] = v++;
                }
            }
    Mesh mesh(L"grid");
    mesh.fromOBJ(&ai, Matrix(kIdentity));
    return {mesh.Positions(), mesh.Indices()};
}

Source Adversarial(int kind, std::size_t positions) {
    Source s{weldinputs::Make(kind, positions, 7), {}};
    for (std::size_t i = 0; i < s.positions.size(); ++i) s.indices.push_back(static_cast<long long>(i));
    return s;
}

// Benchmark argument -> input: the grids by triangle count, then WeldInputs.h.
struct Input {
    std::string name;
    int cellsX = 0, cellsY = 0;  // grids only
    int kind = 0;
    std::size_t positions = 0;  // the others
};
std::vector<Input> Inputs() {
    std::vector<Input> in = {{"grid_jittered_100k_triangles", 250, 200, {}},
                             {"grid_jittered_1M_triangles", 1000, 500, {}}};
    for (std::size_t positions : {250000, 1000000})
        for (int kind = 0; kind < weldinputs::kKinds; ++kind)
            in.push_back({std::string(weldinputs::kNames[kind]) + (positions < 1000000 ? "_250k" : "_1M"), 0, 0, kind,
                          positions});
    return in;
}

struct Loaded {
    Source source;
    Source exactGrid;  // the grid without jitter; empty for other inputs
};
const Loaded& Load(std::size_t arg) {
    static std::map<std::size_t, std::unique_ptr<Loaded>> cache;
    auto& slot = cache[arg];
    if (!slot) {
        const Input in = Inputs()[arg];
        slot = std::make_unique<Loaded>();
        if (in.cellsX > 0) {
            slot->source = GridMesh(in.cellsX, in.cellsY, true);
            slot->exactGrid = GridMesh(in.cellsX, in.cellsY, false);
        } else {
            slot->source = Adversarial(in.kind, in.positions);
        }
    }
    return *slot;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

template <typename Op>
double CpuSeconds(Op&& op) {
    const double start = ThreadCpuSeconds();
    op();
    return ThreadCpuSeconds() - start;
}

double Bytes(const Source& s) {
    return static_cast<double>(s.positions.size() * sizeof(Position) + s.indices.size() * sizeof(long long));
}

std::size_t Remap(const std::vector<Position>& positions) {
    const std::size_t n = positions.size();
    std::unique_ptr<unsigned[]> remap(new unsigned[n]);
    const std::size_t unique = meshopt_generateVertexRemap(remap.get(), static_cast<const unsigned*>(nullptr), n,
                                                           positions.data(), n, sizeof(Position));
    benchmark::DoNotOptimize(remap.get());
    return unique;
}

struct Row {
    double weldMs = 0, meshoptMs = 0, meshoptExactMs = 0, extraXMesh = 0, resultXMesh = 0;
};
std::map<std::size_t, Row> g_rows;

void BM_WeldVsMeshopt(benchmark::State& state) {
    const std::size_t arg = static_cast<std::size_t>(state.range(0));
    const Loaded& in = Load(arg);
    const Source& s = in.source;
    Source welded;
    auto weld = [&] {
        welded = Source();
        kor::ShapeExport::detail::Weld(s.positions, s.indices, welded.positions, welded.indices);
    };

    // Memory of one weld, apart from the timed runs.
    welded = Source();
    const std::size_t before = bench::AllocatedBytes();
    bench::ResetPeak();
    kor::ShapeExport::detail::Weld(s.positions, s.indices, welded.positions, welded.indices);
    const double extra = static_cast<double>(bench::PeakBytes() - before);
    Row row;
    row.extraXMesh = extra / Bytes(s);
    row.resultXMesh = Bytes(welded) / Bytes(s);

    double weldSeconds = 1e300, meshoptSeconds = 1e300, exactSeconds = 1e300;
    std::size_t unique = 0;
    for (auto _ : state) {
        meshoptSeconds = std::min(meshoptSeconds, CpuSeconds([&] { unique = Remap(s.positions); }));
        if (!in.exactGrid.positions.empty())
            exactSeconds = std::min(exactSeconds, CpuSeconds([&] { Remap(in.exactGrid.positions); }));
        weldSeconds = std::min(weldSeconds, CpuSeconds(weld));
    }
    row.weldMs = 1e3 * weldSeconds;
    row.meshoptMs = 1e3 * meshoptSeconds;
    row.meshoptExactMs = in.exactGrid.positions.empty() ? 0.0 : 1e3 * exactSeconds;
    g_rows[arg] = row;

    state.SetLabel(Inputs()[arg].name);
    state.counters["positions_in"] = static_cast<double>(s.positions.size());
    state.counters["positions_out"] = static_cast<double>(welded.positions.size());
    state.counters["meshopt_unique"] = static_cast<double>(unique);
    state.counters["weld_ms"] = row.weldMs;
    state.counters["meshopt_ms"] = row.meshoptMs;
    state.counters["x_meshopt"] = weldSeconds / meshoptSeconds;
    if (row.meshoptExactMs > 0) {
        state.counters["meshopt_exact_ms"] = row.meshoptExactMs;
        state.counters["x_meshopt_exact"] = weldSeconds / exactSeconds;
    }
    state.counters["extra_x_mesh"] = row.extraXMesh;
    state.counters["result_x_mesh"] = row.resultXMesh;
}

// The straightforward algorithm on a small grid, checked equal to the weld.
void BM_Reference(benchmark::State& state) {
    const Source s = GridMesh(100, 50, true);
    Source result;
    for (auto _ : state) {
        result = Source();
        kor::ShapeExport::detail::WeldSimply(s.positions, s.indices, result.positions, result.indices);
        benchmark::DoNotOptimize(result.positions.data());
    }
    Source welded;
    kor::ShapeExport::detail::Weld(s.positions, s.indices, welded.positions, welded.indices);
    bool same = result.indices == welded.indices && result.positions.size() == welded.positions.size();
    for (std::size_t k = 0; same && k < result.positions.size(); ++k)
        same = std::memcmp(&result.positions[k], &welded.positions[k], sizeof(Position)) == 0;
    if (!same) state.SkipWithError("the welded copy differs from the straightforward algorithm");
    state.counters["positions_in"] = static_cast<double>(s.positions.size());
}

}  // namespace

BENCHMARK(BM_WeldVsMeshopt)
    ->DenseRange(0, static_cast<int>(Inputs().size()) - 1)
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference)->Iterations(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_rows.empty()) return 0;
    std::printf("\n%-30s %8s %11s %6s %12s %6s %7s\n", "input", "weld ms", "meshopt ms", "ratio", "ratio exact",
                "extra", "result");
    for (const auto& [arg, r] : g_rows) {
        std::printf("%-30s %8.1f %11.1f %6.2f ", Inputs()[arg].name.c_str(), r.weldMs, r.meshoptMs,
                    r.weldMs / r.meshoptMs);
        if (r.meshoptExactMs > 0)
            std::printf("%12.2f", r.weldMs / r.meshoptExactMs);
        else
            std::printf("%12s", "-");
        std::printf(" %5.2fx %6.2fx\n", r.extraXMesh, r.resultXMesh);
    }
    return 0;
}
