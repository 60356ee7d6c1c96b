// The worked examples and golden results of tests/data/cross_sections: each
// decomposition case step by step and through the public API (the merged pieces of
// each are handed to Box2D in EngineTest.cpp), each merge case, and each document
// case through reading, writing and the dump.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>

#include "Shapes.h"
#include "TestData.h"

using kor::Dom;
using kor::ShapeExport::CrossSections;
using testing_support::Number;
using testing_support::Strings;
using testing_support::Texts;

namespace {

// Points as exact text, so that they compare bit for bit (NaN equal to NaN).
std::vector<std::string> PointTexts(const std::vector<kor::Vec<2, double>>& points) {
    std::vector<std::string> texts;
    char text[64];
    for (const auto& p : points) {
        std::snprintf(text, sizeof text, "%.17g %.17g", p.x(), p.y());
        texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> PointTexts(const Dom& points) { return PointTexts(testing_support::PointsOfData(points)); }

TEST(Cases, Decomposition) {
    for (const Dom& c : testing_support::Elements(testing_support::LoadData("cross_sections/decomposition.json"))) {
        SCOPED_TRACE(c["name"].asString());
        const testing_support::Shape shape = testing_support::ShapeOf(c);
        // The steps one at a time: the loops after hole removal (its bridge points are
        // those of the whole decomposition, below).
        if (c.has("holeRemoval")) {
            testing_support::Points positions = shape.positions;
            testing_support::Steps steps(positions, false);
            testing_support::Fill(steps, shape.outline, shape.holes);
            steps.AddConvexLoop() = steps.ExteriorLoop();
            for (const auto& hole : steps.InteriorLoops()) steps.AddConvexLoop() = hole;
            steps.RemoveHoles();
            EXPECT_EQ(Texts(steps.ConvexLoops()), Strings(c["holeRemoval"]));
        }

        // The whole decomposition through the public API.
        CrossSections set = testing_support::MakeSet(shape);
        const auto& convex = set.Items()[0].ConvexLoops();
        EXPECT_EQ(Texts(convex), c.has("convex") ? Strings(c["convex"]) : Texts(convex));
        if (c.has("added")) {
            const std::vector<kor::Vec<2, double>> added(
                set.Positions().begin() + static_cast<std::ptrdiff_t>(shape.positions.size()), set.Positions().end());
            EXPECT_EQ(PointTexts(added), PointTexts(c["added"]));
            EXPECT_EQ(set.Items()[0].AddedVertices().size(), added.size());
        }
    }
}

TEST(Cases, Documents) {
    for (const Dom& c : testing_support::Elements(testing_support::LoadData("cross_sections/documents.json"))) {
        SCOPED_TRACE(c["name"].asString());
        CrossSections set(c.has("factor") ? Number(c["factor"]) : 1.0);
        std::istringstream before(c["before"].asString());  // a set read before, when given
        if (c.has("before")) set.From(before);
        for (long long read = 0; read < c["reads"].asInt(1); ++read) {
            std::istringstream in(c["text"].asString());
            set.From(in);
        }
        std::vector<std::string> items;
        for (const auto& item : set.Items()) {
            items.push_back(testing_support::Text(item.ExteriorLoop()));
            for (const auto& hole : item.InteriorLoops()) items.back() += " | " + testing_support::Text(hole);
        }
        EXPECT_EQ(items, Strings(c["items"]));
        std::map<std::string, double> params;
        for (const auto& member : c["params"].objects()) params[member.first] = Number(member.second);
        Dom written;
        set.To(written);
        const auto& box = set.BBox();
        const std::vector<std::string> points = PointTexts(set.Positions()), corners = PointTexts({box.min, box.max});
        const std::string text = kor::DomWriterJson::ToString(written);
        // Each compared with what the case gives, where it gives it.
        EXPECT_EQ(points, c.has("points") ? PointTexts(c["points"]) : points);
        EXPECT_EQ(set.Parameters(), c.has("params") ? params : set.Parameters());
        EXPECT_EQ(corners, c.has("box") ? PointTexts(c["box"]) : corners);
        EXPECT_EQ(text, c["written"].asString(text));
        std::ostringstream dump;  // last: the dump decomposes the items
        set.Dump(dump, c["prefix"].asString().c_str());
        std::string lines;
        for (const std::string& line : Strings(c["dump"])) lines += line + "\n";
        EXPECT_EQ(dump.str(), c.has("dump") ? lines : dump.str());
    }
}

using kor::ShapeExport::ConvexMergeOptions;
using kor::ShapeExport::MergeConvexLoops;

// tests/data/cross_sections/merge.json: pieces joined only where their union is
// convex, cleaned, bounded, and loops that are not convex cut and joined again.
TEST(ConvexMerge, JoinsAcrossConvexUnionsOnly) {
    for (const Dom& c : testing_support::Elements(testing_support::LoadData("cross_sections/merge.json"))) {
        const testing_support::Points points = testing_support::PointsOfData(c["points"]);
        std::vector<kor::ShapeExport::Loop> loops;
        for (const std::string& text : Strings(c["loops"])) loops.emplace_back(points, testing_support::Vertices(text));
        const ConvexMergeOptions options{c["merge"].asBool(true), c["clean"].asBool(false),
                                         static_cast<std::size_t>(c["maxVertices"].asInt(0)), c["slop"].asDouble(0.0)};
        EXPECT_EQ(Texts(MergeConvexLoops(points, loops, options)), Strings(c["expected"])) << c["name"].asString();
    }
}

}  // namespace
