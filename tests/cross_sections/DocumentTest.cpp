// Reading and writing sets of cross sections as JSON documents.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

#include "LoopText.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using kor::ShapeExport::Loop;
using testing_support::Points;
using testing_support::Pt;
using testing_support::Text;

namespace {

const char* const kSquareWithHole =
    R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true],[[6,5,4],false]]]]})";

kor::Dom Parse(const std::string& text) {
    kor::Dom dom;
    kor::DomReaderJson::FromString(dom, text.c_str(), nullptr);
    return dom;
}

CrossSections Read(const std::string& text, double factor = 1.0) {
    CrossSections set(factor);
    std::istringstream in(text);
    set.From(in);
    return set;
}

std::string Write(const CrossSections& set) {
    kor::Dom dom;
    set.To(dom);
    return kor::DomWriterJson::ToString(dom);
}

std::vector<std::string> ItemTexts(const CrossSections& set) {
    std::vector<std::string> texts;
    for (const CrossSection& item : set.Items()) {
        std::string text = Text(item.ExteriorLoop());
        for (const Loop& hole : item.InteriorLoops()) text += " | " + Text(hole);
        texts.push_back(text);
    }
    return texts;
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

}  // namespace

TEST(Document, ReadsPositionsAndLoops) {
    const CrossSections set = Read(kSquareWithHole);
    EXPECT_EQ(set.Positions().size(), 7u);
    EXPECT_EQ(ItemTexts(set), (std::vector<std::string>{"0 1 2 3 | 4 5 6"}));
    EXPECT_EQ(&set.Items()[0].InteriorLoops()[0].Positions(), &set.Positions());
    EXPECT_EQ(Write(set),
              R"({"RefPoints":[],"Outlines":[[[0.0,0.0],[4.0,0.0],[4.0,4.0],[0.0,4.0],[1.0,1.0],[1.0,2.0],[2.0,2.0]],)"
              R"([[[[0,1,2,3],true],[[6,5,4],false]]]]})");
}

TEST(Document, LoopListsAndCrossSectionEntries) {
    struct Case { const char* name; std::string sections; std::vector<std::string> expected; };
    const std::vector<Case> cases{
        {"closing repeat removed", R"([[[[0,1,2,3,0],true]]])", {"0 1 2 3"}},
        {"too few after closing repeat", R"([[[[0,1,0],true]]])", {}},
        {"index outside skipped", R"([[[[0,1,2,9],true]]])", {"0 1 2"}},
        {"negative index skipped", R"([[[[0,-1,1,2],true]]])", {"0 1 2"}},
        {"two exterior loops", R"([[[[0,1,2],true],[[0,2,3],true]]])", {}},
        {"no exterior loop", R"([[[[0,1,2],false]]])", {}},
        {"empty entry", R"([[]])", {}},
        {"short loop entries skipped", R"([[[[0,1,2]],[[0,1,2],true],[]]])", {"0 1 2"}},
        {"exterior anywhere", R"([[[[6,5,4],false],[[0,1,2,3],true]]])", {"0 1 2 3 | 4 5 6"}},
        {"bad hole drops the item", R"([[[[0,1,2,3],true],[[5,4],false]],[[[0,1,2],true]]])", {"0 1 2"}},
        {"indices beyond 2^31 keep their low bits", R"([[[[4294967296,4294967297,2],true]]])", {"0 1 2"}},
        {"strings and fractions", R"([[[["0",1.9,2,3],true]]])", {"0 1 2 3"}},
        {"flag not boolean counts as hole", R"([[[[0,1,2,3],1]]])", {}},
    };
    for (const Case& c : cases) {
        const CrossSections set = Read(R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], )" + c.sections + "]}");
        EXPECT_EQ(ItemTexts(set), c.expected) << c.name;
        EXPECT_EQ(set.Positions().size(), 7u) << c.name;
    }
}

TEST(Document, LoopReadKeepsTheVerticesItHas) {
    // The loop holds "0 1' " before each read; read vertices carry the exterior flag.
    struct Case { const char* name; bool exterior; const char* list; const char* expected; bool valid; };
    const std::vector<Case> cases{
        {"exterior list appended", true, "[3,9,4,-1,5]", "0 1' 3 4 5", true},
        {"hole list reversed in front", false, "[3,9,4,-1,5]", "5 4 3 0 1'", true},
        {"closing repeat across old and new", true, "[2,0]", "0 1' 2", true},
        {"hole repeat is not a closing one", false, "[1,2]", "2 1 0 1'", true},
        {"nothing valid read", false, "[7,-8]", "0 1'", false},
        {"a string is index 0", false, "[\"x\"]", "0 0 1'", true},
        {"not a list", true, "{\"a\": 3}", "0 1'", false},
    };
    const std::vector<kor::Vec<2, double>> positions(6);
    for (const Case& c : cases) {
        Loop loop(positions, false);
        testing_support::Append(loop, "0 1'");
        EXPECT_EQ(loop.From(Parse(c.list), c.exterior), c.valid) << c.name;
        EXPECT_EQ(Text(loop), c.expected) << c.name;
    }
}

TEST(Document, PointArrayAlone) {
    const CrossSections set = Read(R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]]]})");
    EXPECT_EQ(ItemTexts(set), (std::vector<std::string>{"0 1 2 3 4 5 6"}));
}

TEST(Document, PointsAndKeys) {
    struct Case { const char* name; std::string text; Points expected; std::size_t items; };
    const std::vector<Case> cases{
        {"short points skipped", R"({"Outlines": [[[1],[2,3],[4,5,6],"x",[]]]})", {{2, 3}, {4, 5}}, 1},
        {"strings read as 0", R"({"Outlines": [[["a",2],[3,null]]]})", {{0, 2}, {3, 0}}, 1},
        {"lower-case key", R"({"outlines": [[[1,2]]]})", {{1, 2}}, 1},
        {"upper case wins", R"({"outlines": [[[1,2]]], "Outlines": [[[7,8]]]})", {{7, 8}}, 1},
        {"no outlines", R"({"Other": 1})", {}, 0},
        {"empty outlines", R"({"Outlines": []})", {}, 0},
        {"outlines not an array", R"({"Outlines": 5})", {}, 0},
    };
    for (const Case& c : cases) {
        const CrossSections set = Read(c.text);
        EXPECT_EQ(set.Positions(), c.expected) << c.name;
        EXPECT_EQ(set.Items().size(), c.items) << c.name;
    }
}

TEST(Document, ExtremeNumbers) {
    const CrossSections set = Read(R"({"Outlines": [[[1e999,-0],[-1e999,1e-999],[-0.0,2]]]})");
    ASSERT_EQ(set.Positions().size(), 3u);
    EXPECT_TRUE(std::isinf(set.Positions()[0].x()));
    EXPECT_TRUE(std::signbit(set.Positions()[0].y()));
    EXPECT_EQ(set.Positions()[1].y(), 0.0);
    // Decomposing infinite coordinates terminates and keeps indices in range.
    for (const Loop& loop : set.Items()[0].ConvexLoops())
        for (const kor::ShapeExport::Vertex& v : loop.Vertices()) EXPECT_LT(static_cast<std::size_t>(v.Index()), set.Positions().size());
}

TEST(Document, ConversionFactorAndParameters) {
    const CrossSections scaled = Read(R"({"Outlines": [[[2500,-1000],[0,10]]], "Params": {"b": 2, "a": 1, "b": 3}})", 0.001);
    EXPECT_EQ(scaled.Positions(), (Points{{2.5, -1}, {0, 0.01}}));
    EXPECT_EQ(scaled.BBox().min, Pt(0, -1));
    EXPECT_EQ(scaled.BBox().max, Pt(2.5, 0.01));
    EXPECT_EQ(scaled.Parameters(), (std::map<std::string, double>{{"a", 1}, {"b", 3}}));

    // Written as an array of one-member objects, so they are not read back.
    const std::string written = Write(scaled);
    EXPECT_NE(written.find(R"("Params":[{"a":1.0},{"b":3.0}])"), std::string::npos) << written;
    EXPECT_TRUE(Read(written).Parameters().empty());

    const CrossSections unscaled = Read(R"({"Outlines": [[[2,3]]]})");
    EXPECT_EQ(unscaled.BBox().IsEmpty(), true) << "factor 1 leaves the box alone";
    EXPECT_EQ(Write(unscaled).find("Params"), std::string::npos);
}

TEST(Document, ReadingTwiceAppends) {
    CrossSections set;
    for (int i = 0; i < 2; ++i) {
        std::istringstream in(kSquareWithHole);
        set.From(in);
    }
    EXPECT_EQ(set.Positions().size(), 14u);
    EXPECT_EQ(ItemTexts(set), (std::vector<std::string>{"0 1 2 3 | 4 5 6", "0 1 2 3 | 4 5 6"}));
}

TEST(Document, BadInputChangesNothingOrEmptiesParameters) {
    // Read into a set of 7 positions, 1 item and 1 parameter: what is left of each.
    enum Stream { kText, kPipe, kFailing };
    struct Case { const char* name; std::string text; std::size_t positions, items, parameters; Stream stream; };
    const std::string deep = std::string(511, '[') + std::string(511, ']');  // in the document object: 512 levels
    const std::vector<Case> cases{
        {"not JSON", "this is not JSON", 7, 1, 0, kText},
        {"truncated", std::string(kSquareWithHole).substr(0, 40), 7, 1, 0, kText},
        {"deep nesting", std::string(100000, '['), 7, 1, 0, kText},
        {"nesting of 512 levels", R"({"Outlines": [[[1,2]]], "a": )" + deep + "}", 8, 2, 0, kText},
        {"nesting deeper than 512", R"({"Outlines": [[[1,2]]], "a": [)" + deep + "]}", 7, 1, 0, kText},
        {"numbers out of range", R"({"Outlines": [[[1e999,-1e999],[1e-999,1]]], "Params": {"p": 1e400}})", 9, 2, 1, kText},
        {"trailing garbage", std::string(kSquareWithHole) + "]", 7, 1, 0, kText},
        {"zero byte", std::string("{\"Outlines\"\0: [[[1,2]]]}", 23), 7, 1, 0, kText},
        {"text after a zero byte", std::string(R"({"Outlines": [[[1,2]]]})") + '\0' + "garbage", 8, 2, 0, kText},
        {"empty stream", "", 7, 1, 1, kText},
        {"stream that cannot seek", kSquareWithHole, 7, 1, 1, kPipe},
        {"stream that cannot be read", "", 7, 1, 0, kFailing},
    };
    for (const Case& c : cases) {
        CrossSections set = Read(R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true]]]], "Params": {"a": 1}})");
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

TEST(Document, RoundTripAfterDecomposeAndReset) {
    const std::string text = R"({"Outlines": [[[0,0],[10,0],[10,10],[0,10],[4,4],[4,6],[6,6],[6,4],[20,0],[22,0],[21,3]],
        [[[[0,1,2,3],true],[[7,6,5,4],false]], [[[8,9,10],true]]]], "Params": {"thickness": 0.25}})";
    CrossSections direct = Read(text);
    CrossSections decomposed = Read(text);
    for (const CrossSection& item : decomposed.Items()) item.ConvexLoops();
    EXPECT_EQ(decomposed.Positions().size(), 12u);
    decomposed.ResetConvexLoops();
    EXPECT_EQ(Write(decomposed), Write(direct));

    // What was written reads back to the same positions and loops.
    const CrossSections again = Read(Write(direct));
    EXPECT_EQ(again.Positions(), direct.Positions());
    EXPECT_EQ(ItemTexts(again), ItemTexts(direct));
}

TEST(Document, WriterAppendsToExistingArrays) {
    const CrossSections set = Read(R"({"Outlines": [[[0,0],[1,0],[0,1]]]})");
    kor::Dom dom = Parse(R"({"RefPoints": [1], "Outlines": [[]]})");
    set.To(dom);
    EXPECT_EQ(dom["RefPoints"].size(), 1u);
    EXPECT_EQ(dom["Outlines"].size(), 3u);
}
