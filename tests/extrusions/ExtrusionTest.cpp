// Extrusion, ExtrudedSection and Profile: reading the tree from documents, appending
// without clearing, exact growth, copies and moves.
#include "DocumentSupport.h"

#include <kor/ShapeExport/ExtrudedSection.h>
#include <kor/ShapeExport/Extrusion.h>
#include <kor/ShapeExport/Profile.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

using kor::ShapeExport::ExtrudedSection;
using kor::ShapeExport::Extrusion;
using kor::ShapeExport::Position;
using kor::ShapeExport::Profile;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Point {
    double x, y, z;
};
struct Section {
    bool exterior;
    std::vector<std::vector<Point>> profiles;
};

// The whole tree as text, so that a mismatch shows where it is.
std::string Describe(const std::vector<Section>& sections) {
    std::string s;
    for (const Section& sec : sections) {
        s += sec.exterior ? "S+{" : "S-{";
        for (const auto& prof : sec.profiles) {
            s += "P[";
            for (const Point& p : prof)
                s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z) + ")";
            s += "]";
        }
        s += "}";
    }
    return s;
}

std::vector<Section> Tree(const Extrusion& e) {
    std::vector<Section> out;
    for (const ExtrudedSection& sec : e.Sections()) {
        Section s{sec.Exterior(), {}};
        for (const Profile& prof : sec.Profiles()) {
            s.profiles.emplace_back();
            for (const Position& p : prof.Positions()) s.profiles.back().push_back({p.X(), p.Y(), p.Z()});
        }
        out.push_back(s);
    }
    return out;
}

const char* const kExample =
    R"({"Sections": [{"Exterior": true, "Profiles": [{"Points": [[0, 0, 0], [10, 0, 0], [10, 5, 0]]},)"
    R"( {"Points": [[0, 0, 3], [10, 0, 3], [10, 5, 3]]}]}, {"Exterior": false, "Profiles": []}])"
    R"(})";

const std::vector<Section> kExampleTree = {
    {true, {{{0, 0, 0}, {10, 0, 0}, {10, 5, 0}}, {{0, 0, 3}, {10, 0, 3}, {10, 5, 3}}}},
    {false, {}},
};

}  // namespace

TEST(Extrusion, FromDocuments) {
    struct Case {
        const char* json;
        std::vector<Section> expected;
    };
    const Case cases[] = {
        {"{}", {}},
        {"[]", {}},
        {R"({"Sections": 5})", {}},
        {R"({"Sections": {"Profiles": []}})", {}},
        {R"({"Sections": []})", {}},
        {R"({"sections": [{}]})", {}},
        {R"({"Sections": [{}]})", {{true, {}}}},
        {R"({"Sections": [7]})", {{true, {}}}},
        {R"({"Sections": [{"Exterior": false}]})", {{false, {}}}},
        {R"({"Sections": [{"Exterior": false, "Profiles": 3}]})", {{false, {}}}},
        {R"({"Sections": [{"Exterior": true, "Profiles": {}}]})", {{true, {}}}},
        // "Exterior" is read as a boolean with the fallback false, whatever its type.
        {R"({"Sections": [{"Exterior": 1}, {"Exterior": "yes"}, {"Exterior": null}]})",
         {{false, {}}, {false, {}}, {false, {}}}},
        {R"({"Sections": [{"Profiles": [{}, {"Points": []}]}]})", {{true, {{}, {}}}}},
        {R"({"Sections": [{"Profiles": [{"Points": [[1, 2, 3], [4, 5]]}]}]})",
         {{true, {{{1, 2, 3}, {4, 5, kInf}}}}}},
        {R"({"Sections": [{"Profiles": [{"Points": 4}, {"Points": [7, [1], [], [1, 2, 3, 4]]}, 9]}]})",
         {{true, {{}, {{kInf, kInf, kInf}, {1, kInf, kInf}, {kInf, kInf, kInf}, {1, 2, 3}}, {}}}}},
        {kExample, kExampleTree},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        Extrusion e;
        EXPECT_TRUE(e.from(Parse(c.json)));
        EXPECT_EQ(Describe(Tree(e)), Describe(c.expected));
    }
}

TEST(Extrusion, ReadingTwiceAppends) {
    Extrusion e;
    const kor::Dom doc = Parse(kExample);
    EXPECT_TRUE(e.from(doc));
    EXPECT_TRUE(e.from(doc));
    std::vector<Section> twice = kExampleTree;
    twice.insert(twice.end(), kExampleTree.begin(), kExampleTree.end());
    EXPECT_EQ(Describe(Tree(e)), Describe(twice));

    // A document without "Sections" leaves everything in place.
    EXPECT_TRUE(e.from(Parse(R"({"Sections": "none"})")));
    EXPECT_EQ(e.Sections().size(), 4u);
}

TEST(Extrusion, GrowsOnceToTheExactSize) {
    Extrusion e;
    e.from(Parse(R"({"Sections": [{}, {}]})"));
    EXPECT_EQ(e.Sections().capacity(), 2u);
    e.from(Parse(R"({"Sections": [{}]})"));
    EXPECT_EQ(e.Sections().capacity(), 3u);  // exactly, not doubled

    ExtrudedSection s;
    s.from(Parse(R"({"Profiles": [{}, {}, {}]})"));
    s.from(Parse(R"({"Profiles": [{}, {}]})"));
    EXPECT_EQ(s.Profiles().size(), 5u);
    EXPECT_EQ(s.Profiles().capacity(), 5u);

    Profile p;
    p.from(Parse(R"({"Points": [[1], [2], [3]]})"));
    EXPECT_EQ(p.Positions().capacity(), 3u);
    p.from(Parse(R"({"Points": [[4], [5]]})"));
    EXPECT_EQ(p.Positions().size(), 5u);
    EXPECT_EQ(p.Positions().capacity(), 5u);
    EXPECT_EQ(p.Positions()[3].X(), 4.0);
}

TEST(ExtrudedSection, FromKeepsProfilesAndSetsTheFlag) {
    ExtrudedSection s;
    EXPECT_TRUE(s.Exterior());
    EXPECT_TRUE(s.from(Parse(R"({"Profiles": [{"Points": [[1, 1, 1]]}, {}]})")));
    EXPECT_TRUE(s.from(Parse(R"({"Exterior": false})")));
    EXPECT_FALSE(s.Exterior());
    ASSERT_EQ(s.Profiles().size(), 2u);
    EXPECT_EQ(s.Profiles()[0].Positions().size(), 1u);

    // The flag is read even when "Profiles" is no array, and only when present.
    EXPECT_TRUE(s.from(Parse(R"({"Exterior": true, "Profiles": "x"})")));
    EXPECT_TRUE(s.Exterior());
    EXPECT_TRUE(s.from(Parse(R"({"Profiles": [{}]})")));
    EXPECT_TRUE(s.Exterior());
    EXPECT_EQ(s.Profiles().size(), 3u);
}

TEST(Profile, FromAppendsPositions) {
    Profile p;
    EXPECT_TRUE(p.from(Parse(R"({"Points": [[1, 2, 3]]})")));
    EXPECT_TRUE(p.from(Parse(R"({"Points": [[4, 5]], "Exterior": false})")));
    EXPECT_TRUE(p.from(Parse(R"({"Points": {"0": [1, 1, 1]}})")));
    EXPECT_TRUE(p.from(Parse("[[9, 9, 9]]")));
    ASSERT_EQ(p.Positions().size(), 2u);
    EXPECT_EQ(p.Positions()[0].Z(), 3.0);
    EXPECT_EQ(p.Positions()[1].Y(), 5.0);
    EXPECT_EQ(p.Positions()[1].Z(), kInf);
}

TEST(Extrusion, CopiesAreIndependentAndMovesEmptyTheSource) {
    Extrusion source;
    source.from(Parse(kExample));
    Extrusion copy(source);
    copy.from(Parse(R"({"Sections": [{}]})"));
    EXPECT_EQ(Describe(Tree(source)), Describe(kExampleTree));
    EXPECT_EQ(copy.Sections().size(), 3u);

    Extrusion assigned;
    assigned = source;
    EXPECT_EQ(Describe(Tree(assigned)), Describe(kExampleTree));

    Extrusion moved(std::move(assigned));
    EXPECT_EQ(Describe(Tree(moved)), Describe(kExampleTree));
    EXPECT_TRUE(assigned.Sections().empty());  // NOLINT(bugprone-use-after-move)
    Extrusion target;
    target = std::move(moved);
    EXPECT_EQ(Describe(Tree(target)), Describe(kExampleTree));
    EXPECT_TRUE(moved.Sections().empty());  // NOLINT(bugprone-use-after-move)

    Extrusion& alias = target;
    target = alias;
    EXPECT_EQ(Describe(Tree(target)), Describe(kExampleTree));
    target = std::move(alias);
    EXPECT_EQ(Describe(Tree(target)), Describe(kExampleTree));
}

TEST(ExtrudedSection, MoveHandsProfilesOverAndCopiesTheFlag) {
    ExtrudedSection s;
    s.from(Parse(R"({"Exterior": false, "Profiles": [{}, {}]})"));
    ExtrudedSection moved(std::move(s));
    EXPECT_FALSE(moved.Exterior());
    EXPECT_EQ(moved.Profiles().size(), 2u);
    EXPECT_FALSE(s.Exterior());  // NOLINT(bugprone-use-after-move): the flag stays
    EXPECT_TRUE(s.Profiles().empty());

    ExtrudedSection target;
    target = std::move(moved);
    EXPECT_FALSE(target.Exterior());
    EXPECT_EQ(target.Profiles().size(), 2u);
    EXPECT_TRUE(moved.Profiles().empty());  // NOLINT(bugprone-use-after-move)

    ExtrudedSection& alias = target;
    target = std::move(alias);
    EXPECT_EQ(target.Profiles().size(), 2u);
    target = alias;
    EXPECT_EQ(target.Profiles().size(), 2u);
    EXPECT_FALSE(target.Exterior());

    Profile p;
    p.from(Parse(R"({"Points": [[1, 2, 3]]})"));
    Profile& palias = p;
    p = std::move(palias);
    EXPECT_EQ(p.Positions().size(), 1u);
    Profile q(std::move(p));
    EXPECT_EQ(q.Positions().size(), 1u);
    EXPECT_TRUE(p.Positions().empty());  // NOLINT(bugprone-use-after-move)
}
