// Cost of the convex decomposition as inputs grow: a comb with n teeth, a
// tessellated circle with n vertices, and a square plate with a grid of h holes.
// Each iteration decomposes a fresh cross section; the counter "s_per_vertex"
// divides the time by the outline's vertex count (holes included).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using Points = std::vector<kor::Vec<2, double>>;

namespace {

struct Shape {
    Points positions;
    std::vector<int> exterior;
    std::vector<std::vector<int>> holes;
    std::size_t VertexCount() const {
        std::size_t count = exterior.size();
        for (const auto& hole : holes) count += hole.size();
        return count;
    }
};

int Add(Shape& s, double x, double y) {
    s.positions.emplace_back(x, y);
    return static_cast<int>(s.positions.size()) - 1;
}

Shape Comb(int teeth) {
    Shape s;
    s.exterior = {Add(s, 0, 0), Add(s, 2.0 * teeth, 0), Add(s, 2.0 * teeth, 1)};
    for (int i = teeth - 1; i >= 0; --i) {
        s.exterior.push_back(Add(s, 2.0 * i + 1.5, 1));
        s.exterior.push_back(Add(s, 2.0 * i + 1.5, 5));
        s.exterior.push_back(Add(s, 2.0 * i + 0.5, 5));
        s.exterior.push_back(Add(s, 2.0 * i + 0.5, 1));
    }
    s.exterior.push_back(Add(s, 0, 1));
    return s;
}

Shape Circle(int n) {
    Shape s;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * i / n;
        s.exterior.push_back(Add(s, 1000.0 * std::cos(a), 1000.0 * std::sin(a)));
    }
    return s;
}

// A square plate with side*side square holes (clockwise).
Shape Plate(int side) {
    Shape s;
    const double size = 3.0 * side + 1.0;
    s.exterior = {Add(s, 0, 0), Add(s, size, 0), Add(s, size, size), Add(s, 0, size)};
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            const double x = 3.0 * i + 1.0;
            const double y = 3.0 * j + 1.0;
            s.holes.push_back({Add(s, x, y), Add(s, x, y + 2), Add(s, x + 2, y + 2), Add(s, x + 2, y)});
        }
    return s;
}

void Decompose(benchmark::State& state, const Shape& shape) {
    for (auto _ : state) {
        state.PauseTiming();
        CrossSections set(shape.positions, false);
        CrossSection& item = set.GetItems()[0];
        for (int i : shape.exterior) item.GetExteriorLoop().AddVertex(i, true);
        for (const auto& hole : shape.holes) {
            kor::ShapeExport::Loop& loop = item.AddInteriorLoop();
            for (int i : hole) loop.AddVertex(i, true);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(item.ConvexLoops().size());
    }
    const double vertices = static_cast<double>(shape.VertexCount());
    state.counters["vertices"] = vertices;
    state.counters["s_per_vertex"] = benchmark::Counter(
        vertices * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetComplexityN(static_cast<benchmark::IterationCount>(vertices));
}

void BM_Comb(benchmark::State& state) { Decompose(state, Comb(static_cast<int>(state.range(0)))); }
void BM_Circle(benchmark::State& state) { Decompose(state, Circle(static_cast<int>(state.range(0)))); }
void BM_PlateWithHoles(benchmark::State& state) { Decompose(state, Plate(static_cast<int>(state.range(0)))); }

}  // namespace

// Comb teeth 12 .. 12 500 (50 .. 50 000 vertices).
BENCHMARK(BM_Comb)->Arg(12)->Arg(50)->Arg(200)->Arg(800)->Arg(3200)->Arg(12500)->Unit(benchmark::kMillisecond)->Complexity();
// Circle 64 .. 49 152 vertices.
BENCHMARK(BM_Circle)->Arg(64)->Arg(256)->Arg(1024)->Arg(4096)->Arg(16384)->Arg(49152)->Unit(benchmark::kMillisecond)->Complexity();
// Plate with 1 .. 1 024 holes (grid side 1 .. 32).
BENCHMARK(BM_PlateWithHoles)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
