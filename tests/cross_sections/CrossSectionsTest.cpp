// The model: vertices and loops (editing primitives, leftmost vertex, box), the
// cross section as a cache of its decomposition (when it is computed, what copies,
// assignments and resets do with it, the steps a derived class runs), and the set
// (construction, copies and moves that re-bind the items, the vertical shift, the
// set-wide reset, compatibility and blending, what is left after bad input).
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <tuple>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/ShapeExport/LoopChecks.h>
#include <kor/ShapeExport/ReadCrossSections.h>

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

Points SquareWithHolePoints() { return {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}}; }

// A square with a square hole, and more points after its eight.
CrossSections SquareWithHole(const std::string& extraPoints = "") {
    return Read(R"({"Outlines": [[[0,0],[10,0],[10,10],[0,10],[4,4],[4,6],[6,6],[6,4])" + extraPoints +
                R"(], [[[[0,1,2,3],true],[[7,6,5,4],false]]]]})");
}

void ExpectBoundTo(const CrossSections& set) {
    for (const CrossSection& item : set.Items()) {
        EXPECT_EQ(&item.Positions(), &set.Positions());
        EXPECT_EQ(&item.ExteriorLoop().Positions(), &set.Positions());
        for (const auto& loop : item.ConvexLoops()) EXPECT_EQ(&loop.Positions(), &set.Positions());
    }
}

TEST(CrossSections, NormalizeVertical) {
    for (const auto& [lowest, expectedLowest] :
         {std::pair{-2.0, 0.0}, {0.00005, 0.00005}, {0.0001, 0.0001}, {0.0002, 0.0}, {3.0, 0.0}}) {
        CrossSections set(Points{{1, lowest}, {5, lowest + 4}}, true);
        set.NormalizeVertical();
        EXPECT_EQ(set.Positions()[0], Point(1, expectedLowest)) << lowest;
        EXPECT_EQ(set.Positions()[1].y(), expectedLowest == lowest ? lowest + 4 : lowest + 4 - lowest);
        EXPECT_EQ(set.BBox().min.y(), expectedLowest);
    }
}

TEST(CrossSections, ResetErasesTheAddedPositionsOnce) {
    CrossSections set = SquareWithHole();
    set.GetItems().push_back(set.Items()[0]);  // same loops: appends position 9
    set.GetItems()[0].ConvexLoops();
    set.GetItems()[1].ConvexLoops();
    set.GetItems().push_back(set.Items()[0]);  // a copy records position 8 as well
    EXPECT_EQ(set.Positions().size(), 10u);
    const auto box = set.BBox();
    set.ResetConvexLoops();
    EXPECT_EQ(set.Positions(), SquareWithHolePoints());
    for (const CrossSection& item : set.Items()) EXPECT_TRUE(item.AddedVertices().empty());
    EXPECT_EQ(set.BBox().max, box.max);
}

TEST(CrossSections, CopiesMovesAndAssignmentsAreIndependent) {
    CrossSections source = SquareWithHole();
    source.GetItems()[0].ConvexLoops();
    const CrossSections copy(source);
    ExpectBoundTo(copy);
    EXPECT_EQ(copy.Positions().size(), 9u);

    source.NormalizeVertical();  // gives it a box
    CrossSections moved(std::move(source));
    ExpectBoundTo(moved);
    EXPECT_EQ(CrossSections(moved).BBox().max, Point(10, 10));
    EXPECT_TRUE(source.Positions().empty() && source.Items().empty());
    EXPECT_EQ(source.BBox().max, Point(10, 10));  // factor and box stay
    CrossSections withParameters = Read(R"({"Outlines": [[[0,0],[1,0],[0,1]]], "Params": {"p": 1}})");
    withParameters = std::move(moved);
    EXPECT_TRUE(moved.Parameters().empty() && withParameters.Parameters().empty());

    // After A = B, A's reset erases B's bridge point from A's copy, whatever A held.
    for (std::size_t room : {0, 8}) {
        CrossSections target = SquareWithHole(",[1,1],[2,2]");
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
    for (const kor::Dom& c : testing_support::Elements(cases)) {
        SCOPED_TRACE(c["name"].asString());
        CrossSections a, b;
        a.From(c["a"]);
        b.From(c["b"]);
        const double t = c["t"].asDouble(0.0);
        const bool convex = c["convex"].asBool(false), compatible = c["compatible"].asBool(false);
        EXPECT_EQ(a.IsCompatible(b, convex), compatible);
        const CrossSections blend(a, b, t, convex);
        EXPECT_EQ(blend.Positions(), testing_support::PointsOfData(c["positions"]));
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

// Streams that fail (bad text read into a set is in documents.json): what is left of
// a set of 7 positions, 1 item and 1 parameter.
TEST(Document, StreamsThatFail) {
    for (const bool seekable : {false, true}) {
        CrossSections set = Read(
            R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true]]]], "Params": {"a": 1}})");
        PipeBuffer pipe(R"({"Outlines": [[[0,0],[4,0],[4,4]]]})");
        FailingBuffer failing;
        std::istream in(seekable ? static_cast<std::streambuf*>(&failing) : &pipe);
        set.From(in);
        const std::size_t parameters = seekable ? 0 : 1;  // a pipe is not read at all
        EXPECT_EQ(std::make_tuple(set.Positions().size(), set.Items().size(), set.Parameters().size()),
                  std::make_tuple(std::size_t(7), std::size_t(1), parameters));
    }
}

using kor::ShapeExport::Loop;
using Strings = std::vector<std::string>;

TEST(CrossSection, DecomposesOnFirstRequest) {
    const CrossSection plain;
    EXPECT_TRUE(plain.ConvexLoops().empty() && &plain.Positions() == &CrossSection::m_emptyPositions);

    Points p{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    CrossSection square(p, true);
    const auto& first = square.ConvexLoops();
    EXPECT_EQ(Texts(first), Strings{"0 1 2 3"});
    EXPECT_EQ(&square.ConvexLoops(), &first);

    CrossSection marked(p, true);
    marked.AddConvexLoop();
    EXPECT_EQ(Texts(marked.ConvexLoops()), Strings{""});

    // A loop naming a position that does not exist is handed back undecomposed.
    Points q = SquareWithHolePoints();
    CrossSection outOfRange = testing_support::MakeSection(q, {0, 1, 2, 3}, {{4, 5, 6, 9}});
    EXPECT_EQ(Texts(outOfRange.ConvexLoops()), (Strings{"0 1 2 3", "4 5 6 9"}));
    EXPECT_EQ(q.size(), 8u);
}

TEST(CrossSection, CopiesAssignmentsAndReset) {
    Points p = SquareWithHolePoints(), other = SquareWithHolePoints();
    CrossSection source = testing_support::MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});

    // The re-binding copy decomposes its source first; all its loops use the new array.
    const CrossSection rebound(source, other);
    EXPECT_EQ(source.AddedVertices(), std::vector<int>{8});
    EXPECT_EQ(p.size(), 9u);
    EXPECT_EQ(Texts(rebound.ConvexLoops()), Texts(source.ConvexLoops()));
    for (const Loop& loop : rebound.ConvexLoops()) EXPECT_EQ(&loop.Positions(), &other);
    EXPECT_EQ(&rebound.InteriorLoops()[0].Positions(), &other);

    // Assignment copies the loops; the target keeps its array and its added vertices.
    CrossSection target(other, true);
    target = source;
    EXPECT_TRUE(&target.Positions() == &other && &target.ExteriorLoop().Positions() == &other);
    EXPECT_EQ(&Loop(Loop(p, true), other).Positions(), &other);
    EXPECT_TRUE(target.AddedVertices().empty());
    EXPECT_EQ(Texts(target.ConvexLoops()), Texts(source.ConvexLoops()));

    std::set<int> removed{9, 12};
    source.ResetConvexLoops(removed);
    EXPECT_EQ(removed, (std::set<int>{8, 9, 12}));
    EXPECT_TRUE(source.AddedVertices().empty());
    EXPECT_EQ(p.size(), 9u);  // the caller erases, and asks again
    p.pop_back();
    EXPECT_EQ(Texts(source.ConvexLoops()), Texts(rebound.ConvexLoops()));

    // The box of the outline and the holes, indices outside the array skipped.
    source.GetInteriorLoops()[0].AddVertex(99, true);
    EXPECT_EQ(source.BBox().max, (kor::Vec<2, double>(10, 10)));
    Points beyond{{0, 0}, {1, 0}, {0, 1}, {5, -5}};
    EXPECT_EQ(testing_support::MakeSection(beyond, {0, 1, 2}, {{3, 3, 3}}).BBox().min, (kor::Vec<2, double>(0, -5)));
}

Loop LoopOf(const Points& positions, const std::string& text) {
    return Loop(positions, testing_support::Vertices(text));
}

TEST(CrossSection, StepsOneAtATime) {
    Points p = SquareWithHolePoints();
    testing_support::Steps steps(p, false);
    testing_support::Fill(steps, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    steps.AddConvexLoop() = steps.ExteriorLoop();
    steps.AddConvexLoop() = steps.InteriorLoops()[0];
    EXPECT_TRUE(steps.RemoveHole());  // the loops it leaves: the cases' "holeRemoval"
    EXPECT_FALSE(steps.RemoveHole());
    EXPECT_FALSE(steps.BuildConvexLoop(0));  // a piece was cut
    EXPECT_TRUE(steps.BuildConvexLoop(7));   // no such entry
    steps.BuildConvexLoops();

    Points q = SquareWithHolePoints();
    const CrossSection whole = testing_support::MakeSection(q, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    EXPECT_EQ(Texts(steps.ConvexLoops()), Texts(whole.ConvexLoops()));
    EXPECT_EQ(steps.AddedVertices(), whole.AddedVertices());

    // A notched square is cut while there are fewer loops than its 8 positions.
    Points r = SquareWithHolePoints();
    for (const std::size_t loops : {7, 8}) {
        testing_support::Steps notched(r, false);
        for (std::size_t k = 0; k < loops; ++k) notched.AddConvexLoop() = LoopOf(r, "0 1 2 6 3");
        EXPECT_EQ(notched.BuildConvexLoop(0), loops == 8) << loops;
    }
}

using testing_support::Text;

// tests/data/cross_sections/loop_edits.txt.
TEST(Loop, EditingPrimitives) {
    const Points none;
    for (const std::string& row : testing_support::DataLines("cross_sections/loop_edits.txt")) {
        const std::vector<std::string> fields = testing_support::Fields(row, " | ");
        std::istringstream edit(fields.at(1));
        std::string name;
        edit >> name;
        Loop loop = LoopOf(none, fields.at(0));
        if (name == "alike") {
            const std::string other = fields.at(1).substr(name.size());
            EXPECT_EQ(loop.IsCompatible(LoopOf(none, other)) ? "alike" : "unlike", fields.at(2)) << row;
            continue;
        }
        int a = 0, b = 0, c = 0;
        edit >> a >> b >> c;
        if (name == "insert") loop.InsertVertex(7, a);
        if (name == "add") loop.Add(LoopOf(none, "10 11 12' 13 14"), a, b, c);
        if (name == "self") loop.Add(loop, a, b, c);
        if (name == "cut") loop.Cut(a, b);
        EXPECT_EQ(Text(loop), fields.at(2)) << row;
    }
}

TEST(Loop, LeftMostVertexAndBox) {
    Points p{{3, 0}, {1, 5}, {1, -5}, {2, 0}};
    Loop loop = LoopOf(p, "0 1 2 3");
    EXPECT_EQ(loop.LeftMostVertex(), 1);  // the first of the smallest x
    p[3] = kor::Vec<2, double>(-9, 0);
    EXPECT_EQ(loop.LeftMostVertex(), 1);  // cached
    loop.AddVertex(3, true);              // an edit forgets it
    EXPECT_EQ(loop.LeftMostVertex(), 3);
    loop = static_cast<const Loop&>(LoopOf(p, "3 0 2 1"));  // an assignment forgets it too
    EXPECT_EQ(loop.LeftMostVertex(), 0);
    EXPECT_EQ(Loop().LeftMostVertex(), -1);

    const auto box = LoopOf(p, "1 9 -1 2").BBox();  // indices outside the array are skipped
    EXPECT_EQ(box.min, (kor::Vec<2, double>(1, -5)));
    EXPECT_EQ(box.max, (kor::Vec<2, double>(1, 5)));
    const auto empty = Loop().BBox();
    EXPECT_TRUE(empty.min.x() == std::numeric_limits<double>::infinity() && empty.max.y() == -empty.min.x());
}

// tests/data/cross_sections/reading.json: what each text gives, and a set left as it
// was when the text is no cross-section document.
TEST(ReadCrossSections, ReportsWhatWentWrong) {
    const char* const statuses[] = {"Read", "Empty", "Unreadable", "NotJson", "NotCrossSections"};
    for (const kor::Dom& c :
         testing_support::Elements(testing_support::LoadData("cross_sections/reading.json")["Cases"])) {
        SCOPED_TRACE(c["text"].asString());
        CrossSections set = SquareWithHole();
        const kor::ShapeExport::ReadResult r = kor::ShapeExport::ReadCrossSections(c["text"].asString(), set);
        EXPECT_EQ(statuses[static_cast<int>(r.status)], c["status"].asString());
        EXPECT_EQ(r.message.rfind(c["message"].asString(), 0), 0u) << r.message;
        EXPECT_EQ(std::make_tuple(r.offset, r.sections, r.dropped, r.nonFinite),
                  std::make_tuple(std::size_t(c["offset"].asInt(-1)), std::size_t(c["sections"].asInt(-1)),
                                  std::size_t(c["dropped"].asInt(-1)), c["nonFinite"].asBool(false)));
        const bool read = r.status == kor::ShapeExport::ReadResult::Status::Read;
        EXPECT_EQ(std::make_pair(set.Positions().size(), set.Items().size()),
                  std::make_pair(std::size_t(read ? 11 : 8), 1 + (read ? r.sections - r.dropped : 0)));
    }
}

// Orientation found and fixed (flags kept with their edges), and convexity by the
// cuts' tolerance.
TEST(LoopChecks, OrientationAndConvexity) {
    const Points p{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {1, 2}, {2, 2}, {2, 2e-7}};
    CrossSections set(p, false);
    CrossSection& item = set.GetItems()[0];
    item.GetExteriorLoop() = LoopOf(p, "3 2 1 0'");
    item.AddInteriorLoop() = LoopOf(p, "4 6 5");  // counter-clockwise: wrong for a hole
    const auto wrong = kor::ShapeExport::FindWrongOrientations(set);
    ASSERT_EQ(wrong.size(), 2u);
    EXPECT_EQ(std::make_pair(wrong[1].item, wrong[1].hole), std::make_pair(std::size_t(0), 0));
    EXPECT_EQ(kor::ShapeExport::FixOrientations(set), 2u);
    EXPECT_EQ(Text(set.Items()[0].ExteriorLoop()), "0 1' 2 3");
    EXPECT_EQ(Text(set.Items()[0].InteriorLoops()[0]), "5 6 4");
    EXPECT_TRUE(kor::ShapeExport::FindWrongOrientations(set).empty());
    for (const auto& [loop, convex] : {std::pair<const char*, bool>{"0 1 2 3", true},
                                       {"0 7 1 2 3", true},
                                       {"0 1 2 3 5", false},
                                       {"3 2 1 0", false},
                                       {"0 1", false},
                                       {"0 1 0", true}})  // no area: not negative
        EXPECT_EQ(kor::ShapeExport::IsConvex(LoopOf(p, loop), p), convex) << loop;
}

}  // namespace
