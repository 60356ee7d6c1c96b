// kor::Dom: kinds, conversions, lookups, building, copies and comparison.
#include <kor/Dom.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using kor::Dom;
using Kind = Dom::Kind;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const long long kMinInt = std::numeric_limits<long long>::min();
const long long kMaxInt = std::numeric_limits<long long>::max();

Dom arrayOf(std::vector<Dom> elements) { return Dom::FromElements(elements.data(), elements.size()); }

TEST(Dom, KindsAndPredicates) {
    struct Row {
        const char* name;
        Dom node;
        Kind kind;
    };
    std::vector<Row> rows;
    rows.push_back({"default", Dom(), Kind::Empty});
    rows.push_back({"bool", Dom(false), Kind::Bool});
    rows.push_back({"int", Dom(7), Kind::Int});
    rows.push_back({"long long", Dom(1LL << 40), Kind::Int});
    rows.push_back({"double", Dom(2.5), Kind::Double});
    rows.push_back({"c string", Dom("text"), Kind::String});
    rows.push_back({"null c string", Dom(static_cast<const char*>(nullptr)), Kind::String});
    rows.push_back({"std::string", Dom(std::string("text")), Kind::String});
    rows.push_back({"array", Dom().toArray(), Kind::Array});
    rows.push_back({"object", Dom().toObject(), Kind::Object});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Dom& n = row.node;
        EXPECT_EQ(n.kind(), row.kind);
        EXPECT_EQ(n.isEmpty(), row.kind == Kind::Empty);
        EXPECT_EQ(n.isNull(), row.kind == Kind::Empty);
        EXPECT_EQ(n.isBool(), row.kind == Kind::Bool);
        EXPECT_EQ(n.isInt(), row.kind == Kind::Int);
        EXPECT_EQ(n.isDouble(), row.kind == Kind::Double);
        EXPECT_EQ(n.isNumber(), row.kind == Kind::Int || row.kind == Kind::Double);
        EXPECT_EQ(n.isString(), row.kind == Kind::String);
        EXPECT_EQ(n.isArray(), row.kind == Kind::Array);
        EXPECT_EQ(n.isObject(), row.kind == Kind::Object);
        EXPECT_EQ(n.size(), 0u);
    }
    EXPECT_EQ(sizeof(Dom), 16u);
}

TEST(Dom, Conversions) {
    struct Row {
        const char* name;
        Dom node;
        bool asBool;         // with fallback false
        long long asInt;     // with fallback 77
        double asDouble;     // with fallback 0.5
        std::string asString;  // with fallback "fb"
    };
    const std::vector<Row> rows = {
        {"empty", Dom(), false, 77, 0.5, "fb"},
        {"true", Dom(true), true, 77, 0.5, "fb"},
        {"false", Dom(false), false, 77, 0.5, "fb"},
        {"int", Dom(-5), false, -5, -5.0, "fb"},
        {"int min", Dom(kMinInt), false, kMinInt, -9223372036854775808.0, "fb"},
        {"int max", Dom(kMaxInt), false, kMaxInt, 9223372036854775808.0, "fb"},
        {"-1.5", Dom(-1.5), false, -1, -1.5, "fb"},
        {"1.9", Dom(1.9), false, 1, 1.9, "fb"},
        {"-0.0", Dom(-0.0), false, 0, -0.0, "fb"},
        {"-2^63", Dom(-9223372036854775808.0), false, kMinInt, -9223372036854775808.0, "fb"},
        {"2^63", Dom(9223372036854775808.0), false, 77, 9223372036854775808.0, "fb"},
        {"2^64", Dom(18446744073709551616.0), false, 77, 18446744073709551616.0, "fb"},
        {"largest below 2^63", Dom(9223372036854774784.0), false, 9223372036854774784LL, 9223372036854774784.0, "fb"},
        {"infinity", Dom(kInf), false, 77, kInf, "fb"},
        {"-infinity", Dom(-kInf), false, 77, -kInf, "fb"},
        {"string", Dom("12"), false, 77, 0.5, "12"},
        {"array", arrayOf({Dom(1)}), false, 77, 0.5, "fb"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.node.asBool(false), row.asBool);
        EXPECT_EQ(row.node.asInt(77), row.asInt);
        EXPECT_EQ(row.node.asDouble(0.5), row.asDouble);
        EXPECT_EQ(std::signbit(row.node.asDouble(0.5)), std::signbit(row.asDouble));
        EXPECT_EQ(row.node.asString("fb"), row.asString);
    }
    EXPECT_TRUE(Dom(true).asBool(false));
    EXPECT_TRUE(Dom(1).asBool(true));  // numbers are no booleans: the fallback
    EXPECT_FALSE(Dom(1).asBool(false));
    EXPECT_EQ(Dom(kNaN).asInt(77), 77);
    EXPECT_TRUE(std::isnan(Dom(kNaN).asDouble(0.5)));
    EXPECT_EQ(Dom(std::string("a\0b", 3)).asStringRef(), std::string("a\0b", 3));
    EXPECT_EQ(Dom(3).asStringRef(), "");
}

TEST(Dom, ConstLookupsOfMissingThingsGiveOneSharedEmptyNode) {
    Dom doc;
    doc["a"] = Dom(1);
    doc["list"].append() = Dom(2);
    const Dom& c = doc;
    const Dom* shared = &c["missing"];
    const std::vector<const Dom*> misses = {
        &c["missing"], &c[std::string("other")], &c[static_cast<const char*>(nullptr)],
        &c["list"][1],  &c["list"][1000],         &c["a"][0],
        &c["a"]["x"],   &c["list"]["x"],          &c["missing"]["deeper"][3],
        &c[0],          &c["list"][-1],           &c["list"][5u],
    };
    for (const Dom* miss : misses) {
        EXPECT_EQ(miss, shared);
        EXPECT_TRUE(miss->isEmpty());
        EXPECT_EQ(miss->size(), 0u);
    }
    EXPECT_TRUE(c.has("a"));
    EXPECT_TRUE(c.has(std::string("list")));
    EXPECT_FALSE(c.has("missing"));
    EXPECT_FALSE(c.has(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(c["a"].has("a"));
    EXPECT_FALSE(Dom().has(""));
    EXPECT_TRUE(Dom(5).objects().empty());
    EXPECT_EQ(c["list"][0].asInt(0), 2);
}

TEST(Dom, KeysWithZeroBytesMatchOnlyAsStrings) {
    Dom doc;
    const std::string key("a\0b", 3);
    doc[key] = Dom(1);
    EXPECT_TRUE(doc.has(key));
    EXPECT_FALSE(doc.has("a"));
    EXPECT_EQ(static_cast<const Dom&>(doc)[key].asInt(0), 1);
    EXPECT_TRUE(static_cast<const Dom&>(doc)["a"].isEmpty());
}

// The building steps of the cross-section and position writers.
TEST(Dom, BuildingAsTheWritersDo) {
    Dom doc;
    doc["RefPoints"].toArray();
    Dom& outlines = doc["Outlines"].toArray();
    Dom& points = outlines.append().toArray();
    for (int k = 0; k < 3; ++k) {
        Dom& point = points.append().toArray();
        point.append() = Dom(k * 1.5);
        point.append() = Dom(-k * 1.0);
    }
    Dom& sections = outlines.append().toArray();
    Dom& entry = sections.append().toArray().append().toArray();
    Dom& indices = entry.append().toArray();
    for (int k = 0; k < 3; ++k)
        indices.append() = Dom(k);
    entry.append() = Dom(true);
    Dom& params = doc["Params"].toArray();
    params.append()[std::string("Scale")] = Dom(2.0);

    const Dom& c = doc;
    ASSERT_TRUE(c.isObject());
    ASSERT_EQ(c.objects().size(), 3u);
    EXPECT_EQ(c.objects()[0].first, "RefPoints");
    EXPECT_EQ(c.objects()[1].first, "Outlines");
    EXPECT_EQ(c.objects()[2].first, "Params");
    EXPECT_TRUE(c["RefPoints"].isArray());
    EXPECT_EQ(c["RefPoints"].size(), 0u);
    ASSERT_EQ(c["Outlines"].size(), 2u);
    ASSERT_EQ(c["Outlines"][0].size(), 3u);
    EXPECT_EQ(c["Outlines"][0][2][0].asDouble(0.0), 3.0);
    EXPECT_EQ(c["Outlines"][0][2][1].asDouble(0.0), -2.0);
    EXPECT_TRUE(c["Outlines"][0][2][1].isDouble());
    EXPECT_EQ(c["Outlines"][1][0][0][0][2].asInt(0), 2);
    EXPECT_TRUE(c["Outlines"][1][0][0][0][2].isInt());
    EXPECT_TRUE(c["Outlines"][1][0][0][1].asBool(false));
    EXPECT_EQ(c["Params"][0]["Scale"].asDouble(0.0), 2.0);
}

TEST(Dom, BuildingReplacesNodesOfOtherKinds) {
    struct Row {
        const char* name;
        Dom start;
    };
    std::vector<Row> rows;
    rows.push_back({"int", Dom(3)});
    rows.push_back({"string", Dom("text")});
    Dom object;
    object["k"] = Dom(1);
    rows.push_back({"object", object});
    rows.push_back({"array", arrayOf({Dom(1), Dom(2)})});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Dom a = row.start;
        a.toArray();
        EXPECT_TRUE(a.isArray());
        EXPECT_EQ(a.size(), row.start.isArray() ? 2u : 0u);  // an array keeps its elements

        Dom b = row.start;
        b.append() = Dom(9);
        EXPECT_EQ(b.size(), row.start.isArray() ? 3u : 1u);
        EXPECT_EQ(b[b.size() - 1].asInt(0), 9);

        Dom o = row.start;
        o["new"] = Dom(5);
        EXPECT_TRUE(o.isObject());
        EXPECT_EQ(o.objects().size(), row.start.isObject() ? 2u : 1u);
        EXPECT_EQ(o.objects().back().first, "new");

        Dom t = row.start;
        t.toObject();
        EXPECT_EQ(t.objects().size(), row.start.isObject() ? 1u : 0u);

        Dom r = row.start;
        r.reserve(10);
        EXPECT_TRUE(r.isArray());
        EXPECT_EQ(r.size(), row.start.isArray() ? 2u : 0u);
    }
    Dom named;
    named[static_cast<const char*>(nullptr)] = Dom(1);  // a null key stands for ""
    EXPECT_TRUE(named.has(""));

    // A key that lives inside the array being replaced by an object.
    Dom keyed;
    keyed.append() = Dom("a key longer than the small string buffer");
    keyed[keyed[0].asStringRef().c_str()] = Dom(2);
    EXPECT_EQ(static_cast<const Dom&>(keyed)["a key longer than the small string buffer"].asInt(0), 2);
}

TEST(Dom, AppendGrowsAndKeepsElements) {
    Dom a;
    for (int k = 0; k < 1000; ++k)
        a.append() = Dom(std::to_string(k));
    ASSERT_EQ(a.size(), 1000u);
    for (int k = 0; k < 1000; ++k)
        ASSERT_EQ(a[static_cast<std::size_t>(k)].asStringRef(), std::to_string(k));
    a.reserve(5000);
    EXPECT_EQ(a[999].asStringRef(), "999");
    a[3] = Dom(true);
    EXPECT_TRUE(a[3].asBool(false));
    // Beyond 2^32 - 1 elements: refused before anything is allocated, array intact.
    EXPECT_THROW(a.reserve(std::size_t(1) << 33), std::length_error);
    EXPECT_EQ(a.size(), 1000u);
}

TEST(Dom, NonConstIndexPastTheEndGivesAFreshScratchNode) {
    Dom a;
    a.append() = Dom(1);
    Dom& scratch = a[5];
    EXPECT_TRUE(scratch.isEmpty());
    scratch = Dom(42);
    Dom& again = Dom(3)[0];  // any later miss resets it
    EXPECT_TRUE(again.isEmpty());
    EXPECT_EQ(a.size(), 1u);
}

TEST(Dom, DuplicateKeysAndMemberOrder) {
    std::vector<Dom::Member> members;
    members.emplace_back("z", Dom(1));
    members.emplace_back("a", Dom(2));
    members.emplace_back("z", Dom(3));
    members.emplace_back("m", Dom(4));
    Dom o = Dom::FromMembers(std::move(members));
    const Dom& c = o;
    EXPECT_EQ(c["z"].asInt(0), 1);  // the first member with that key
    o["z"] = Dom(10);               // non-const lookup also finds the first
    EXPECT_EQ(c.objects()[0].second.asInt(0), 10);
    EXPECT_EQ(c.objects()[2].second.asInt(0), 3);
    std::vector<std::string> keys;
    for (const Dom::Member& m : c.objects())
        keys.push_back(m.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"z", "a", "z", "m"}));
}

TEST(Dom, FromElementsMovesAndEmptiesTheSources) {
    std::vector<Dom> sources = {Dom("long string that is not in the small buffer"), Dom(2), arrayOf({Dom(1)})};
    Dom a = Dom::FromElements(sources.data(), sources.size());
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0].asStringRef(), "long string that is not in the small buffer");
    EXPECT_EQ(a[2][0].asInt(0), 1);
    for (const Dom& s : sources)
        EXPECT_TRUE(s.isEmpty());
    Dom none = Dom::FromElements(nullptr, 0);
    EXPECT_TRUE(none.isArray());
    EXPECT_EQ(none.size(), 0u);
}

TEST(Dom, CopiesAreIndependentAndMovesEmptyTheSource) {
    Dom doc;
    doc["list"].append() = Dom("x");
    doc["list"].append()["inner"] = Dom(1.5);
    doc["flag"] = Dom(true);

    Dom copy(doc);
    EXPECT_EQ(copy, doc);
    copy["list"][0] = Dom("changed");
    copy["list"][1]["inner"] = Dom(2.5);
    EXPECT_EQ(static_cast<const Dom&>(doc)["list"][0].asStringRef(), "x");
    EXPECT_EQ(static_cast<const Dom&>(doc)["list"][1]["inner"].asDouble(0.0), 1.5);

    Dom assigned;
    assigned = doc;
    EXPECT_EQ(assigned, doc);
    assigned = assigned;  // self-assignment keeps the tree
    EXPECT_EQ(assigned, doc);

    Dom moved(std::move(assigned));
    EXPECT_TRUE(assigned.isEmpty());
    EXPECT_EQ(moved, doc);
    Dom target(5);
    target = std::move(moved);
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_EQ(target, doc);

    Dom a(1), b("two");
    a.swap(b);
    EXPECT_EQ(a.asStringRef(), "two");
    EXPECT_EQ(b.asInt(0), 1);
}

TEST(Dom, AssigningAPartOfTheTreeToTheTree) {
    Dom expected;
    expected["inner"] = Dom("kept");

    Dom byCopy;
    byCopy.append() = expected;
    byCopy.append() = Dom(2);
    byCopy = byCopy[0];
    EXPECT_EQ(byCopy, expected);

    Dom byMove;
    byMove["child"] = expected;
    byMove["other"] = Dom(3);
    byMove = std::move(byMove["child"]);
    EXPECT_EQ(byMove, expected);
}

TEST(Dom, Equality) {
    auto object = [](std::vector<std::pair<std::string, Dom>> members) {
        return Dom::FromMembers(std::move(members));
    };
    struct Row {
        const char* name;
        Dom a;
        Dom b;
        bool equal;
    };
    const std::vector<Row> rows = {
        {"empty", Dom(), Dom(), true},
        {"empty vs false", Dom(), Dom(false), false},
        {"int vs double", Dom(1), Dom(1.0), false},
        {"ints", Dom(1), Dom(1LL), true},
        {"different ints", Dom(1), Dom(2), false},
        {"nan", Dom(kNaN), Dom(-kNaN), true},
        {"nan vs number", Dom(kNaN), Dom(0.0), false},
        {"signed zeros", Dom(0.0), Dom(-0.0), true},
        {"infinities", Dom(kInf), Dom(-kInf), false},
        {"strings", Dom(std::string("a\0b", 3)), Dom(std::string("a\0b", 3)), true},
        {"strings differ after zero", Dom(std::string("a\0b", 3)), Dom(std::string("a\0c", 3)), false},
        {"empty array vs empty object", Dom().toArray(), Dom().toObject(), false},
        {"arrays", arrayOf({Dom(1), arrayOf({Dom("x")})}), arrayOf({Dom(1), arrayOf({Dom("x")})}), true},
        {"arrays differ deep", arrayOf({Dom(1), arrayOf({Dom("x")})}), arrayOf({Dom(1), arrayOf({Dom("y")})}), false},
        {"arrays differ in size", arrayOf({Dom(1)}), arrayOf({Dom(1), Dom(1)}), false},
        {"objects", object({{"a", Dom(1)}, {"b", Dom()}}), object({{"a", Dom(1)}, {"b", Dom()}}), true},
        {"objects in other order", object({{"a", Dom(1)}, {"b", Dom()}}), object({{"b", Dom()}, {"a", Dom(1)}}), false},
        {"objects with other keys", object({{"a", Dom(1)}}), object({{"c", Dom(1)}}), false},
        {"objects differ deep", object({{"a", arrayOf({Dom(1)})}}), object({{"a", arrayOf({Dom(2)})}}), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.a == row.b, row.equal);
        EXPECT_EQ(row.b == row.a, row.equal);
        EXPECT_EQ(row.a != row.b, !row.equal);
        EXPECT_TRUE(row.a == row.a);
    }
}

}  // namespace
