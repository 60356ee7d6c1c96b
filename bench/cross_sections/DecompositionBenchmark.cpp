// The convex decomposition side by side with CGAL's partitions of the same shapes:
// Hertel-Mehlhorn (approx_convex_partition_2, outlines without holes only) and the
// triangulation decomposition (Polygon_triangulation_decomposition_2, holes too).
//
// Shapes: 65 small outlines without holes (4 to 2,000 vertices: stars, combs,
// spirals), 92 small outlines with holes (stars with 1 to 9 holes, plates), combs of
// 4,003 to 48,003 vertices, plates with 64 to 1,024 round holes of 16 vertices, a
// circle of 200,000 points,
// and the real polygons of tests/data/realworld (ours only: CGAL's partitions take
// simple polygons, which real data often is not). Each case also through
// MergeConvexLoops: merged, and merged, cleaned and bounded to 8 vertices (what a
// physics engine such as Box2D takes).
// Every timing includes building the input (a cross-section set, a CGAL polygon),
// except the bounded merge alone, timed on decompositions made before.
// After the runs a table gives each case's time, pieces and our time divided by
// the faster CGAL method (ratio <= 1: we are at least as fast), and the merged
// counts with the cost of merging beside that of decomposing.
//
//   build/default/bench/cross_sections/bench_decomposition
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Partition_traits_2.h>
#include <CGAL/Polygon_triangulation_decomposition_2.h>
#include <CGAL/Polygon_with_holes_2.h>
#include <CGAL/partition_2.h>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/math/BBox.h>

#include "Shapes.h"

namespace {

using testing_support::Shape;
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Polygon = CGAL::Polygon_2<Kernel>;
using PolygonWithHoles = CGAL::Polygon_with_holes_2<Kernel>;

struct Case {
    std::string name;
    std::vector<Shape> shapes;
    bool holes;
    bool simple = true;  // CGAL's partitions take it
};

// Every item of the real polygons' set documents as a shape.
std::vector<Shape> RealPolygons() {
    std::vector<std::filesystem::path> files;
    for (const auto& file : std::filesystem::directory_iterator(SHAPEEXPORT_SOURCE_DIR "/tests/data/realworld"))
        if (file.path().extension() == ".json") files.push_back(file.path());
    std::sort(files.begin(), files.end());
    std::vector<Shape> shapes;
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        kor::ShapeExport::CrossSections set;
        set.From(in);
        for (const kor::ShapeExport::CrossSection& item : set.Items()) {
            Shape shape;
            shape.positions = set.Positions();
            for (const auto& v : item.ExteriorLoop().Vertices()) shape.outline.push_back(v.Index());
            for (const auto& hole : item.InteriorLoops()) {
                shape.holes.emplace_back();
                for (const auto& v : hole.Vertices()) shape.holes.back().push_back(v.Index());
            }
            shapes.push_back(std::move(shape));
        }
    }
    return shapes;
}

std::vector<Shape> SmallOutlines() {
    std::vector<Shape> shapes;
    for (int k = 0; k < 65; ++k) {
        const int n = static_cast<int>(std::lround(4.0 * std::pow(500.0, k / 64.0)));
        switch (k % 3) {
            case 0: shapes.push_back(testing_support::Star(n, 0, 100 + k)); break;
            case 1: shapes.push_back(testing_support::Comb(std::max(1, (n - 3) / 4), 200 + k)); break;
            default: shapes.push_back(testing_support::Spiral(1 + n / 200, std::max(4, n / (2 + n / 100)))); break;
        }
    }
    return shapes;
}

// 120 outlines of 6 to 60 vertices (seeded stars and combs), small enough for
// CGAL's optimal partition (which grows as the fourth power of the vertices).
std::vector<Shape> OutlinesUpTo60() {
    std::vector<Shape> shapes;
    for (int k = 0; k < 120; ++k) {
        const int n = 6 + k % 55;
        shapes.push_back(k % 2 == 0 ? testing_support::Star(n, 0, 700 + k)
                                    : testing_support::Comb(std::max(1, (n - 3) / 4), 800 + k));
    }
    return shapes;
}

std::vector<Shape> SmallOutlinesWithHoles() {
    std::vector<Shape> shapes;
    for (int k = 0; k < 92; ++k) {
        const int n = static_cast<int>(std::lround(8.0 * std::pow(100.0, k / 91.0)));
        if (k % 4 == 3)
            shapes.push_back(testing_support::Plate(1 + k % 3, 6 + k % 11, 300 + k));
        else
            shapes.push_back(testing_support::Star(n, 1 + k % 9, 400 + k));
    }
    return shapes;
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = [] {
        std::vector<Case> list{{"outlines_65", SmallOutlines(), false},
                               {"outlines_up_to_60", OutlinesUpTo60(), false},
                               {"with_holes_92", SmallOutlinesWithHoles(), true}};
        // The same shapes at other scales: the merge's decisions are relative to a
        // shape's size, the exact steps' tolerances are not.
        for (const double scale : {1e-4, 1e4}) {
            std::vector<Shape> scaled = SmallOutlinesWithHoles();
            for (Shape& shape : scaled)
                for (auto& p : shape.positions) p = kor::Vec<2, double>(p.x() * scale, p.y() * scale);
            list.push_back({std::string("with_holes_92@") + (scale < 1 ? "1e-4" : "1e4"), scaled, true});
        }
        for (int teeth : {1000, 4000, 12000})
            list.push_back({"comb_" + std::to_string(4 * teeth + 3), {testing_support::Comb(teeth)}, false});
        for (int side : {8, 16, 32})
            list.push_back(
                {"plate_" + std::to_string(side * side) + "_holes", {testing_support::Plate(side, 16)}, true});
        Shape circle;  // one convex piece of 200,000 nearly straight corners for the slop to take
        circle.outline = testing_support::Ring(circle, 0, 0, 1, 200000, false);
        list.push_back({"circle_200000", {circle}, false});
        list.push_back({"realworld", RealPolygons(), true, false});
        return list;
    }();
    return cases;
}

Polygon OutlineOf(const Shape& s, const std::vector<int>& loop) {
    Polygon polygon;
    for (int i : loop)
        polygon.push_back(Kernel::Point_2(s.positions[static_cast<std::size_t>(i)].x(),
                                          s.positions[static_cast<std::size_t>(i)].y()));
    return polygon;
}

std::size_t Ours(const Shape& shape) {
    const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
    return set.Items()[0].ConvexLoops().size();
}

std::size_t OursMerged(const Shape& shape) {
    const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
    return kor::ShapeExport::MergeConvexLoops(set.Positions(), set.Items()[0].ConvexLoops()).size();
}

std::size_t OursBounded(const Shape& shape) {
    const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
    return kor::ShapeExport::MergeConvexLoops(set.Positions(), set.Items()[0].ConvexLoops(), {true, true, 8}).size();
}

// Box2D's slop (0.005 m) for the shape scaled to 10 m.
double EngineSlop(const Shape& shape) {
    kor::BBox<2, double> box;
    for (const auto& p : shape.positions) box.Extend(p);
    return 5e-4 * std::max(box.max.x() - box.min.x(), box.max.y() - box.min.y());
}

std::vector<kor::ShapeExport::Loop> EngineReady(const kor::ShapeExport::CrossSections& set, const Shape& shape) {
    return kor::ShapeExport::MergeConvexLoops(set.Positions(), set.Items()[0].ConvexLoops(),
                                              {true, true, 8, EngineSlop(shape)});
}

std::size_t OursEngineReady(const Shape& shape) { return EngineReady(testing_support::MakeSet(shape), shape).size(); }

// The share of the area that the engine slop takes from the bounded pieces.
double SlopLoss(const Case& c) {
    double before = 0.0, after = 0.0;
    for (const Shape& shape : c.shapes) {
        const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
        const auto bounded =
            kor::ShapeExport::MergeConvexLoops(set.Positions(), set.Items()[0].ConvexLoops(), {true, true, 8});
        before += testing_support::Area(set.Positions(), bounded);
        after += testing_support::Area(set.Positions(), EngineReady(set, shape));
    }
    return before > 0.0 ? (before - after) / before : 0.0;
}

std::size_t HertelMehlhorn(const Shape& shape) {
    const Polygon polygon = OutlineOf(shape, shape.outline);
    std::vector<CGAL::Partition_traits_2<Kernel>::Polygon_2> pieces;
    CGAL::approx_convex_partition_2(polygon.vertices_begin(), polygon.vertices_end(), std::back_inserter(pieces));
    return pieces.size();
}

std::size_t OptimalPartition(const Shape& shape) {
    const Polygon polygon = OutlineOf(shape, shape.outline);
    std::vector<CGAL::Partition_traits_2<Kernel>::Polygon_2> pieces;
    CGAL::optimal_convex_partition_2(polygon.vertices_begin(), polygon.vertices_end(), std::back_inserter(pieces));
    return pieces.size();
}

std::size_t Triangulation(const Shape& shape) {
    PolygonWithHoles polygon(OutlineOf(shape, shape.outline));
    for (const std::vector<int>& hole : shape.holes) polygon.add_hole(OutlineOf(shape, hole));
    std::vector<Polygon> pieces;
    CGAL::Polygon_triangulation_decomposition_2<Kernel> decompose;
    decompose(polygon, std::back_inserter(pieces));
    return pieces.size();
}

using Method = std::size_t (*)(const Shape&);

// A set of 2,000 items (stars, combs, plates with holes) over one array: decomposed
// item by item, or with DecomposeAll on every core.
const kor::ShapeExport::CrossSections& ManyItems() {
    static const kor::ShapeExport::CrossSections set = [] {
        std::vector<kor::Vec<2, double>> points;
        std::vector<Shape> shapes;
        for (int i = 0; i < 2000; ++i) {
            shapes.push_back(i % 3 == 0   ? testing_support::Star(20 + i % 60, i % 9, i)
                             : i % 3 == 1 ? testing_support::Comb(2 + i % 30, i)
                                          : testing_support::Plate(1 + i % 3, 8, i));
            for (auto& p : shapes.back().positions) points.push_back(p);
        }
        kor::ShapeExport::CrossSections many(points, false);
        const kor::ShapeExport::CrossSection blank = many.Items()[0];
        many.GetItems().clear();
        int base = 0;
        for (const Shape& s : shapes) {
            kor::ShapeExport::CrossSection item = blank;
            for (int v : s.outline) item.GetExteriorLoop().AddVertex(base + v, true);
            for (const auto& hole : s.holes) {
                kor::ShapeExport::Loop& loop = item.AddInteriorLoop();
                for (int v : hole) loop.AddVertex(base + v, true);
            }
            many.GetItems().push_back(item);
            base += static_cast<int>(s.positions.size());
        }
        return many;
    }();
    return set;
}

void DecomposeItems(benchmark::State& state, bool allCores) {
    for (auto _ : state) {
        state.PauseTiming();
        kor::ShapeExport::CrossSections set = ManyItems();
        state.ResumeTiming();
        if (allCores)
            set.DecomposeAll();
        else
            for (const auto& item : set.Items()) item.ConvexLoops();
        benchmark::DoNotOptimize(set.Positions().size());
    }
}

void Run(benchmark::State& state, const Case& c, Method method) {
    std::size_t pieces = 0;
    for (auto _ : state) {
        pieces = 0;
        for (const Shape& shape : c.shapes) pieces += method(shape);
        benchmark::DoNotOptimize(pieces);
    }
    state.counters["pieces"] = static_cast<double>(pieces);
}

// The bounded merge alone ({true, true, 8}), on decompositions made before the timing.
void RunBoundedMergeOnly(benchmark::State& state, const Case& c) {
    std::vector<kor::ShapeExport::CrossSections> sets;
    sets.reserve(c.shapes.size());
    for (const Shape& shape : c.shapes) sets.push_back(testing_support::MakeSet(shape));
    for (const auto& set : sets) set.Items()[0].ConvexLoops();
    std::size_t pieces = 0;
    for (auto _ : state) {
        pieces = 0;
        for (const auto& set : sets)
            pieces += kor::ShapeExport::MergeConvexLoops(set.Positions(), set.Items()[0].ConvexLoops(), {true, true, 8})
                          .size();
        benchmark::DoNotOptimize(pieces);
    }
    state.counters["pieces"] = static_cast<double>(pieces);
}

// Collects the times and piece counts as the console reporter prints them.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            const auto slash = name.find('/');
            const auto end = name.find('/', slash + 1);  // "/real_time" and the like follow
            Result& r = m_results[name.substr(slash + 1, end == std::string::npos ? end : end - slash - 1)]
                                 [name.substr(0, slash)];
            r.ms = run.GetAdjustedRealTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const auto pieces = run.counters.find("pieces");
            if (pieces != run.counters.end()) r.pieces = pieces->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintTable() const {
        struct Merged {
            std::string name;
            Result exact, merged, bounded, slop, mergeOnly;
            double slopLoss;
        };
        std::vector<Merged> merged;
        std::printf("\n%-18s %12s %12s %12s %14s\n", "input", "ours ms", "HM ms", "CDT ms", "ours/fastest");
        for (const Case& c : Cases()) {
            const auto found = m_results.find(c.name);
            if (found == m_results.end()) continue;
            const auto& row = found->second;
            auto get = [&row](const char* method) {
                const auto it = row.find(method);
                return it == row.end() ? Result{} : it->second;
            };
            const Result ours = get("ours"), hm = get("cgal_hertel_mehlhorn"), cdt = get("cgal_triangulation");
            merged.push_back({c.name, ours, get("ours_merged"), get("ours_bounded_8"), get("ours_engine_ready"),
                              get("ours_bounded_8_merge_only"), SlopLoss(c)});
            double fastest = cdt.ms;
            if (hm.ms > 0 && (fastest <= 0 || hm.ms < fastest)) fastest = hm.ms;
            std::printf("%-18s %8.3f/%-5.0f %8.3f/%-5.0f %8.3f/%-5.0f %10.2f\n", c.name.c_str(), ours.ms, ours.pieces,
                        hm.ms, hm.pieces, cdt.ms, cdt.pieces, fastest > 0 ? ours.ms / fastest : 0.0);
        }
        std::printf(
            "(time in ms / pieces; HM: CGAL approx_convex_partition_2, CDT: CGAL "
            "Polygon_triangulation_decomposition_2)\n");
        std::printf("\n%-18s %8s %8s %10s %9s %8s %10s %16s %12s\n", "input", "exact", "merged", "bounded 8",
                    "8/merged", "slop", "area lost", "merge/exact ms", "merge/exact");
        for (const Merged& m : merged)
            std::printf("%-18s %8.0f %8.0f %10.0f %9.3f %8.0f %9.2g%% %8.3f/%-7.3f %12.3f\n", m.name.c_str(),
                        m.exact.pieces, m.merged.pieces, m.bounded.pieces,
                        m.merged.pieces > 0 ? m.bounded.pieces / m.merged.pieces : 0.0, m.slop.pieces, 100 * m.slopLoss,
                        m.mergeOnly.ms, m.exact.ms, m.exact.ms > 0 ? m.mergeOnly.ms / m.exact.ms : 0.0);
        std::printf(
            "(pieces; bounded 8: merged, cleaned and split to at most 8 vertices; slop: those under Box2D's slop for "
            "the shape at 10 m, and the share of their area it takes; merge ms: the bounded merge alone, on the "
            "decomposition made before; exact ms: building the set and decomposing it)\n");
        const auto small = m_results.find("outlines_up_to_60");
        if (small != m_results.end() && small->second.count("cgal_optimal")) {
            const auto& row = small->second;
            const double optimal = row.at("cgal_optimal").pieces;
            std::printf(
                "\noutlines_up_to_60: merged %.0f, bounded 8 %.0f, CGAL Hertel-Mehlhorn %.0f, CGAL optimal %.0f "
                "pieces (merged / optimal %.3f)\n",
                row.count("ours_merged") ? row.at("ours_merged").pieces : 0.0,
                row.count("ours_bounded_8") ? row.at("ours_bounded_8").pieces : 0.0,
                row.count("cgal_hertel_mehlhorn") ? row.at("cgal_hertel_mehlhorn").pieces : 0.0, optimal,
                row.count("ours_merged") && optimal > 0 ? row.at("ours_merged").pieces / optimal : 0.0);
        }
        const auto many = m_results.find("set_2000_items");
        if (many != m_results.end() && many->second.count("one_by_one") && many->second.count("all_cores"))
            std::printf("\n2,000 items: one by one %.3f ms, DecomposeAll on %u cores %.3f ms: %.2fx\n",
                        many->second.at("one_by_one").ms, std::thread::hardware_concurrency(),
                        many->second.at("all_cores").ms,
                        many->second.at("one_by_one").ms / many->second.at("all_cores").ms);
    }

private:
    struct Result {
        double ms = 0;
        double pieces = 0;
    };
    std::map<std::string, std::map<std::string, Result>> m_results;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : Cases()) {
        benchmark::RegisterBenchmark(("ours/" + c.name).c_str(), Run, c, Ours)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ours_merged/" + c.name).c_str(), Run, c, OursMerged)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ours_bounded_8/" + c.name).c_str(), Run, c, OursBounded)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ours_engine_ready/" + c.name).c_str(), Run, c, OursEngineReady)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ours_bounded_8_merge_only/" + c.name).c_str(), RunBoundedMergeOnly, c)
            ->Unit(benchmark::kMillisecond);
        if (!c.simple) continue;
        if (c.name == "outlines_up_to_60")
            benchmark::RegisterBenchmark(("cgal_optimal/" + c.name).c_str(), Run, c, OptimalPartition)
                ->Unit(benchmark::kMillisecond);
        // Hertel-Mehlhorn grows as the square of large outlines (seconds at 16,003).
        if (!c.holes && c.shapes.front().outline.size() < 10000)
            benchmark::RegisterBenchmark(("cgal_hertel_mehlhorn/" + c.name).c_str(), Run, c, HertelMehlhorn)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("cgal_triangulation/" + c.name).c_str(), Run, c, Triangulation)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("one_by_one/set_2000_items", DecomposeItems, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("all_cores/set_2000_items", DecomposeItems, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTable();
    benchmark::Shutdown();
}
