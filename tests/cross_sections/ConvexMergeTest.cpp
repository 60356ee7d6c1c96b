// Merged, cleaned and bounded pieces: on the decomposition fixtures, every option
// combination keeps a tiling of the outline minus the holes by convex
// counter-clockwise pieces within the bound, and never has more pieces than it was
// given (merge and clean). (The geometry fuzz harness does the same on seeded random
// shapes, tests/cross_sections/DifferentialTest.cpp.)
#include <gtest/gtest.h>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>

#include "PieceChecks.h"
#include "Shapes.h"
#include "TestData.h"

using kor::ShapeExport::ConvexMergeOptions;
using kor::ShapeExport::MergeConvexLoops;

namespace {

void CheckOptions(const testing_support::Shape& shape, const std::string& name) {
    const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
    const auto& item = set.Items()[0];
    const auto& greedy = item.ConvexLoops();
    const double area = testing_support::ExpectedArea(item, set.Positions());
    ASSERT_EQ(testing_support::CheckPieces(set.Positions(), greedy, area), "") << name << ": the decomposition itself";

    const ConvexMergeOptions options[] = {{true, false, 0}, {true, true, 0},  {false, true, 0},
                                          {true, true, 3},  {true, false, 4}, {false, false, 8}};
    std::size_t merged = 0;
    for (const ConvexMergeOptions& o : options) {
        SCOPED_TRACE(name + ": merge " + std::to_string(o.merge) + ", clean " + std::to_string(o.clean) + ", at most " +
                     std::to_string(o.maxVertices));
        const std::vector<kor::ShapeExport::Loop> pieces = MergeConvexLoops(set.Positions(), greedy, o);
        ASSERT_EQ(testing_support::CheckPieces(set.Positions(), pieces, area, o.maxVertices), "");
        if (o.maxVertices == 0) {
            ASSERT_LE(pieces.size(), greedy.size());
            if (o.merge && !o.clean) merged = pieces.size();
            if (o.merge && o.clean) {
                ASSERT_EQ(pieces.size(), merged);
            }
        }
        for (const auto& piece : pieces) ASSERT_EQ(&piece.Positions(), &set.Positions());
    }
}

}  // namespace

TEST(ConvexMerge, KeepsATilingOfConvexPieces) {
    const kor::Dom cases = testing_support::LoadData("cross_sections/decomposition.json");
    for (std::size_t n = 0; n < cases.size(); ++n) {
        const kor::Dom& c = cases[n];
        if (!c.has("convex") || c.has("invalid")) continue;  // not an outline with its holes inside it
        CheckOptions(testing_support::ShapeOf(c), c["name"].asString());
    }
}

TEST(ConvexMerge, JoinsAcrossConvexUnionsOnly) {
    // An L cut into two pieces stays two; a square cut by its midpoint joins again,
    // and cleaning then drops the straight corner; a hexagon bounded to 4 vertices.
    using P = kor::Vec<2, double>;
    const std::vector<P> ell{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    const std::vector<P> square{{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}};
    std::vector<P> hexagon;
    for (int i = 0; i < 6; ++i)
        hexagon.emplace_back(std::cos(i * testing_support::kPi / 3), std::sin(i * testing_support::kPi / 3));
    struct Case {
        const std::vector<P>* points;
        std::vector<std::string> loops;
        ConvexMergeOptions options;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {&ell, {"0' 1 2 3", "3' 4 5 0"}, {}, {"0' 1 2 3", "3' 4 5 0"}},
        {&square, {"0 1 4'", "1' 2 3 4"}, {}, {"0 1 2 3 4"}},
        {&square, {"0 1 4'", "1' 2 3 4"}, {true, true, 0}, {"0 2 3 4"}},
        {&hexagon, {"0 1 2 3 4 5"}, {false, false, 4}, {"0' 1 2 3", "3' 4 5 0"}},
        {&hexagon, {"2 1 0", "0 1 2 3 4 5"}, {true, false, 0}, {"2 1 0", "0 1 2 3 4 5"}},  // clockwise: left as it is
    };
    for (const Case& c : cases) {
        std::vector<kor::ShapeExport::Loop> loops;
        for (const std::string& text : c.loops) loops.emplace_back(*c.points, testing_support::Vertices(text));
        EXPECT_EQ(testing_support::Texts(MergeConvexLoops(*c.points, loops, c.options)), c.expected) << c.loops[0];
    }
}
