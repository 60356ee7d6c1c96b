// The decomposition of thousands of shapes against the results recorded in
// tests/data/cross_sections/golden.txt (a count of pieces and a hash of the pieces,
// their flags and the bridge points, per shape, then the same of the pieces merged):
// the real polygons of tests/data/realworld, the seeded families of Shapes.h at
// three scales, and seeded knots on a lattice where turn measures and touching
// products land exactly on the tolerances, with repeated points, so that every
// comparison at a tolerance and the guard "no more loops than positions" decide
// pieces. The simple and the fast steps share their rules, so that comparing the
// two cannot see a rule changed in both; these results can.
//
// SHAPEEXPORT_WRITE_GOLDEN=<file> writes the results instead of comparing them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>

#include "Shapes.h"
#include "TestData.h"

using kor::ShapeExport::CrossSections;
using kor::ShapeExport::MergeConvexLoops;
using testing_support::Shape;

namespace {

// Positions exactly 1e-6 apart from 0 and from 1 in y, and 0.002 (within the
// coincidence distance 1e-3 ten times over, not once) apart in x.
Shape Knot(std::uint64_t seed) {
    static const double xs[] = {0, 1, 2, 3, 4, 5, 6, 8, 1.002, 3.002, 4.0005};
    static const double ys[] = {-1, -1e-6, 0, 1e-6, 2e-6, 1, 1.000001, 2};
    std::mt19937_64 random(seed);
    Shape s;
    const int count = 5 + static_cast<int>(random() % 14);
    for (int i = 0; i < count; ++i) s.Add(xs[random() % 11], ys[random() % 8]);
    if (seed % 50 == 7) s.positions[random() % s.positions.size()] = {std::numeric_limits<double>::quiet_NaN(), 1};
    auto ring = [&](int length) {
        std::vector<int> r;
        for (int i = 0; i < length; ++i) r.push_back(static_cast<int>(random() % s.positions.size()));
        return r;
    };
    s.outline = ring(4 + static_cast<int>(random() % 36));
    for (int h = static_cast<int>(random() % 4); h > 0; --h)
        s.holes.push_back(ring(3 + static_cast<int>(random() % 8)));
    return s;
}

// Pieces, flags and bridge points of every item (FNV-1a of their text and bits): of
// the pieces as decomposed, then merged (cleaned, at most 8 vertices each).
std::string Result(const CrossSections& set) {
    std::ostringstream out;
    for (const bool merged : {false, true}) {
        std::uint64_t hash = 14695981039346656037ull;
        auto mix = [&hash](const void* data, std::size_t size) {
            for (std::size_t k = 0; k < size; ++k)
                hash = (hash ^ static_cast<const unsigned char*>(data)[k]) * 1099511628211ull;
        };
        std::size_t pieces = 0;
        for (const auto& item : set.Items()) {
            const std::vector<kor::ShapeExport::Loop> loops =
                merged ? MergeConvexLoops(set.Positions(), item.ConvexLoops(), {true, true, 8}) : item.ConvexLoops();
            pieces += loops.size();
            for (const std::string& loop : testing_support::Texts(loops)) mix(loop.c_str(), loop.size() + 1);
            for (int added : item.AddedVertices())
                mix(&set.Positions()[static_cast<std::size_t>(added)], sizeof(double) * 2);
        }
        out << (merged ? " " : "") << pieces << " " << std::hex << hash << std::dec;
    }
    return out.str();
}

std::map<std::string, std::string> Results() {
    std::map<std::string, std::string> results;
    testing_support::ForEachRealWorldSet(
        [&](const CrossSections& set, const std::string& name) { results["realworld/" + name] = Result(set); });
    for (std::uint64_t seed = 1; seed <= 40; ++seed)
        for (double scale : {1.0, 1e-3, 1e4}) {
            const std::string suffix = "/" + std::to_string(seed) + "@" + std::to_string(scale);
            const int size = static_cast<int>(seed % 13) + 3;
            const std::pair<const char*, Shape> families[] = {
                {"star", testing_support::Star(4 * size, size % 10, seed)},
                {"comb", testing_support::Comb(size, seed)},
                {"spiral", testing_support::Spiral(1 + size % 3, 5 + size)},
                {"plate", testing_support::Plate(1 + size % 4, 3 + size % 9, seed)}};
            for (auto [family, shape] : families) {
                for (auto& p : shape.positions) p = {p.x() * scale, p.y() * scale};
                results[family + suffix] = Result(testing_support::MakeSet(shape));
            }
        }
    for (std::uint64_t seed = 1; seed <= 3000; ++seed)
        results["knot/" + std::to_string(seed)] = Result(testing_support::MakeSet(Knot(seed)));
    return results;
}

}  // namespace

TEST(Golden, DecompositionsAsRecorded) {
    const std::map<std::string, std::string> results = Results();
    if (const char* path = std::getenv("SHAPEEXPORT_WRITE_GOLDEN")) {
        std::ofstream out(path);
        out << "# shape, pieces, hash of pieces and bridge points, merged pieces, their hash (GoldenTest.cpp)\n";
        for (const auto& [name, result] : results) out << name << " " << result << "\n";
        return;
    }
    std::size_t compared = 0;
    for (const std::string& line : testing_support::DataLines("cross_sections/golden.txt")) {
        const std::size_t space = line.find(' ');
        const auto found = results.find(line.substr(0, space));
        ASSERT_NE(found, results.end()) << line;
        EXPECT_EQ(found->second, line.substr(space + 1)) << found->first;
        ++compared;
    }
    EXPECT_EQ(compared, results.size());
}
