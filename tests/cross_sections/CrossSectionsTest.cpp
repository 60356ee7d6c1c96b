// The set: construction, copies and moves (which re-bind the items), the vertical
// shift, the set-wide reset, compatibility and blending, and what is left of a set
// after reading bad input into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>

#include "Shapes.h"
#include "TestData.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using testing_support::Points;
using testing_support::Texts;
using Point = kor::Vec<2, double>;

namespace {

CrossSections Read(const std::string& text) {
    CrossSections set;
    std::istringstream in(text);
    set.From(in);
    return set;
}

const char* const kSquareWithHole = R"({"Outlines": [[[0,0],[10,0],[10,10],[0,10],[4,4],[4,6],[6,6],[6,4]%s],
                                        [[[[0,1,2,3],true],[[7,6,5,4],false]]]]})";

std::string SquareWithHole(const char* extraPoints = "") {
    char text[512];
    std::snprintf(text, sizeof text, kSquareWithHole, extraPoints);
    return text;
}

void ExpectBoundTo(const CrossSections& set) {
    for (const CrossSection& item : set.Items()) {
        EXPECT_EQ(&item.Positions(), &set.Positions());
        EXPECT_EQ(&item.ExteriorLoop().Positions(), &set.Positions());
        for (const auto& loop : item.ConvexLoops()) EXPECT_EQ(&loop.Positions(), &set.Positions());
    }
}

}  // namespace

TEST(CrossSections, Construction) {
    const CrossSections empty;
    EXPECT_TRUE(empty.Positions().empty() && empty.Items().empty() && empty.Parameters().empty());
    EXPECT_EQ(empty.BBox().min.x(), std::numeric_limits<double>::infinity());
    const CrossSections implicit = 0.001;  // a factor converts to a set
    (void)implicit;

    const Points p{{0, 0}, {2, 0}, {2, 1}};
    const CrossSections filled(p, true), unfilled(p, false);
    EXPECT_EQ(Texts(std::vector<kor::ShapeExport::Loop>{filled.Items()[0].ExteriorLoop()}),
              std::vector<std::string>{"0 1 2"});
    EXPECT_TRUE(unfilled.Items()[0].ExteriorLoop().Vertices().empty());
    EXPECT_EQ(unfilled.BBox().max, Point(2, 1));
    ExpectBoundTo(filled);
}

TEST(CrossSections, NormalizeVertical) {
    struct Case {
        double lowest;
        double expectedLowest;
    };
    for (const Case& c : {Case{-2, 0}, Case{0.00005, 0.00005}, Case{0.0002, 0}, Case{3, 0}}) {
        CrossSections set(Points{{1, c.lowest}, {5, c.lowest + 4}}, true);
        set.NormalizeVertical();
        EXPECT_EQ(set.Positions()[0], Point(1, c.expectedLowest)) << c.lowest;
        const double top = c.lowest + 4;
        EXPECT_EQ(set.Positions()[1].y(), c.expectedLowest == c.lowest ? top : top - c.lowest);
        EXPECT_EQ(set.BBox().min.y(), c.expectedLowest);
    }
    CrossSections none;
    none.NormalizeVertical();
    EXPECT_TRUE(none.Positions().empty());
}

TEST(CrossSections, ResetErasesTheAddedPositionsOnce) {
    CrossSections set = Read(SquareWithHole());
    set.GetItems().push_back(set.Items()[0]);  // same loops: appends position 9
    set.GetItems()[0].ConvexLoops();
    set.GetItems()[1].ConvexLoops();
    set.GetItems().push_back(set.Items()[0]);  // a copy records position 8 as well
    EXPECT_EQ(set.Positions().size(), 10u);
    const auto box = set.BBox();
    set.ResetConvexLoops();
    EXPECT_EQ(set.Positions().size(), 8u);
    EXPECT_EQ(set.Positions().back(), Point(6, 4));
    for (const CrossSection& item : set.Items()) EXPECT_TRUE(item.AddedVertices().empty());
    EXPECT_EQ(set.BBox().max, box.max);
}

TEST(CrossSections, CopiesMovesAndAssignmentsAreIndependent) {
    CrossSections source = Read(SquareWithHole());
    source.GetItems()[0].ConvexLoops();
    const CrossSections copy(source);
    ExpectBoundTo(copy);
    EXPECT_EQ(copy.Positions().size(), 9u);

    source.NormalizeVertical();  // gives it a box
    CrossSections moved(std::move(source));
    ExpectBoundTo(moved);
    EXPECT_TRUE(source.Positions().empty() && source.Items().empty());
    EXPECT_EQ(source.BBox().max, Point(10, 10));  // factor and box stay

    // After A = B, A's reset erases B's bridge point from A's copy, whatever A held.
    for (std::size_t room : {0, 8}) {
        CrossSections target = Read(SquareWithHole(",[1,1],[2,2]"));
        target.GetItems().reserve(room);
        target.GetItems()[0].ConvexLoops();
        target = copy;
        ExpectBoundTo(target);
        target.ResetConvexLoops();
        EXPECT_EQ(target.Positions().size(), 8u) << room;
        EXPECT_EQ(Texts(target.Items()[0].ConvexLoops()), Texts(copy.Items()[0].ConvexLoops()));
    }
}

// tests/data/cross_sections/blend.json.
TEST(CrossSections, CompatibilityAndBlending) {
    const kor::Dom cases = testing_support::LoadData("cross_sections/blend.json")["Cases"];
    ASSERT_GE(cases.size(), 10u);
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const kor::Dom& c = cases[k];
        SCOPED_TRACE(c["name"].asString());
        CrossSections a, b;
        a.From(c["a"]);
        b.From(c["b"]);
        const double t = c["t"].asDouble(0.0);
        const bool convex = c["convex"].asBool(false), compatible = c["compatible"].asBool(false);
        EXPECT_EQ(a.IsCompatible(b, convex), compatible);
        const CrossSections blend(a, b, t, convex);
        std::vector<Point> expected;
        for (std::size_t i = 0; i < c["positions"].size(); ++i)
            expected.emplace_back(c["positions"][i][0].asDouble(0.0), c["positions"][i][1].asDouble(0.0));
        const std::size_t n = compatible ? std::min(a.Positions().size(), b.Positions().size()) : a.Positions().size();
        for (std::size_t i = 0; !c.has("positions") && i < n; ++i)
            expected.push_back(compatible ? Point((1.0 - t) * a.Positions()[i].x() + t * b.Positions()[i].x(),
                                                  (1.0 - t) * a.Positions()[i].y() + t * b.Positions()[i].y())
                                          : a.Positions()[i]);
        EXPECT_EQ(blend.Positions(), expected);
        if (a.Items().empty()) continue;
        const CrossSection& item = blend.Items()[0];
        EXPECT_EQ(item.AddedVertices(), c["keeps"].asBool(false) ? a.Items()[0].AddedVertices() : std::vector<int>{});
        // Every position the blend's pieces name is an ordinary one or its own bridge point.
        const int ordinary = static_cast<int>(a.Positions().size() - a.Items()[0].AddedVertices().size());
        for (const auto& loop : item.ConvexLoops())
            for (const auto& v : loop.Vertices())
                EXPECT_TRUE(v.Index() < ordinary ||
                            std::count(item.AddedVertices().begin(), item.AddedVertices().end(), v.Index()));
        ExpectBoundTo(blend);
    }
}

namespace {

const char* const kSmallSquareWithHole =
    R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true],[[6,5,4],false]]]]})";

// A stream whose length cannot be taken, like a pipe.
struct PipeBuffer : std::stringbuf {
    using std::stringbuf::stringbuf;
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override { return pos_type(-1); }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return pos_type(-1); }
};

// A stream that tells a length of 100 bytes and then gives none.
struct FailingBuffer : std::streambuf {
    pos_type seekoff(off_type offset, std::ios_base::seekdir way, std::ios_base::openmode) override {
        return at = offset + (way == std::ios_base::end ? 100 : way == std::ios_base::cur ? off_type(at) : 0);
    }
    pos_type seekpos(pos_type to, std::ios_base::openmode) override { return at = to; }
    pos_type at = 0;
};

}  // namespace

TEST(Document, BadInputChangesNothingOrEmptiesParameters) {
    // Read into a set of 7 positions, 1 item and 1 parameter: what is left of each.
    enum Stream { kText, kPipe, kFailing };
    struct Case {
        const char* name;
        std::string text;
        std::size_t positions, items, parameters;
        Stream stream;
    };
    const std::string deep = std::string(511, '[') + std::string(511, ']');  // in the document object: 512 levels
    const std::vector<Case> cases{
        {"not JSON", "this is not JSON", 7, 1, 0, kText},
        {"truncated", std::string(kSmallSquareWithHole).substr(0, 40), 7, 1, 0, kText},
        {"deep nesting", std::string(100000, '['), 7, 1, 0, kText},
        {"nesting of 512 levels", R"({"Outlines": [[[1,2]]], "a": )" + deep + "}", 8, 2, 0, kText},
        {"nesting deeper than 512", R"({"Outlines": [[[1,2]]], "a": [)" + deep + "]}", 7, 1, 0, kText},
        {"numbers out of range", R"({"Outlines": [[[1e999,-1e999],[1e-999,1]]], "Params": {"p": 1e400}})", 9, 2, 1,
         kText},
        {"trailing garbage", std::string(kSmallSquareWithHole) + "]", 7, 1, 0, kText},
        {"zero byte", std::string("{\"Outlines\"\0: [[[1,2]]]}", 23), 7, 1, 0, kText},
        {"text after a zero byte", std::string(R"({"Outlines": [[[1,2]]]})") + '\0' + "garbage", 8, 2, 0, kText},
        {"empty stream", "", 7, 1, 1, kText},
        {"stream that cannot seek", kSmallSquareWithHole, 7, 1, 1, kPipe},
        {"stream that cannot be read", "", 7, 1, 0, kFailing},
    };
    for (const Case& c : cases) {
        CrossSections set = Read(
            R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true]]]], "Params": {"a": 1}})");
        std::stringbuf text(c.text);
        PipeBuffer pipe(c.text);
        FailingBuffer failing;
        std::streambuf* const buffers[] = {&text, &pipe, &failing};
        std::istream in(buffers[c.stream]);
        set.From(in);
        EXPECT_EQ(set.Positions().size(), c.positions) << c.name;
        EXPECT_EQ(set.Items().size(), c.items) << c.name;
        EXPECT_EQ(set.Parameters().size(), c.parameters) << c.name;
    }
}
