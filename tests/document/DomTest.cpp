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
Dom objectOf(std::vector<Dom::Member> members) { return Dom::FromMembers(std::move(members)); }

TEST(Dom, KindsAndConversions) {
    struct Row {
        Dom node;
        Kind kind;
        bool asBool;           // fallback false
        long long asInt;       // fallback 77
        double asDouble;       // fallback 0.5
        std::string asString;  // fallback "fb"
    };
    const Row rows[] = {
        {Dom(), Kind::Empty, false, 77, 0.5, "fb"},
        {Dom(true), Kind::Bool, true, 77, 0.5, "fb"},
        {Dom(false), Kind::Bool, false, 77, 0.5, "fb"},
        {Dom(-5), Kind::Int, false, -5, -5.0, "fb"},
        {Dom(kMinInt), Kind::Int, false, kMinInt, -9223372036854775808.0, "fb"},
        {Dom(kMaxInt), Kind::Int, false, kMaxInt, 9223372036854775808.0, "fb"},
        {Dom(-1.5), Kind::Double, false, -1, -1.5, "fb"},
        {Dom(1.9), Kind::Double, false, 1, 1.9, "fb"},
        {Dom(-0.0), Kind::Double, false, 0, -0.0, "fb"},
        {Dom(-9223372036854775808.0), Kind::Double, false, kMinInt, -9223372036854775808.0, "fb"},
        {Dom(9223372036854775808.0), Kind::Double, false, 77, 9223372036854775808.0, "fb"},
        {Dom(9223372036854774784.0), Kind::Double, false, 9223372036854774784LL, 9223372036854774784.0, "fb"},
        {Dom(-kInf), Kind::Double, false, 77, -kInf, "fb"},
        {Dom("12"), Kind::String, false, 77, 0.5, "12"},
        {Dom(static_cast<const char*>(nullptr)), Kind::String, false, 77, 0.5, ""},
        {Dom(std::string("a\0b", 3)), Kind::String, false, 77, 0.5, std::string("a\0b", 3)},
        {arrayOf({Dom(1)}), Kind::Array, false, 77, 0.5, "fb"},
        {Dom().toObject(), Kind::Object, false, 77, 0.5, "fb"},
    };
    for (const Row& row : rows) {
        const Dom& n = row.node;
        SCOPED_TRACE(static_cast<int>(&row - rows));
        EXPECT_EQ(n.kind(), row.kind);
        EXPECT_EQ(n.isEmpty() && n.isNull(), row.kind == Kind::Empty);
        EXPECT_EQ(n.isBool(), row.kind == Kind::Bool);
        EXPECT_EQ(n.isInt(), row.kind == Kind::Int);
        EXPECT_EQ(n.isDouble(), row.kind == Kind::Double);
        EXPECT_EQ(n.isNumber(), row.kind == Kind::Int || row.kind == Kind::Double);
        EXPECT_EQ(n.isString(), row.kind == Kind::String);
        EXPECT_EQ(n.isArray(), row.kind == Kind::Array);
        EXPECT_EQ(n.isObject(), row.kind == Kind::Object);
        EXPECT_EQ(n.size(), row.kind == Kind::Array ? 1u : 0u);
        EXPECT_EQ(n.asBool(false), row.asBool);
        EXPECT_EQ(n.asInt(77), row.asInt);
        EXPECT_EQ(n.asDouble(0.5), row.asDouble);
        EXPECT_EQ(std::signbit(n.asDouble(0.5)), std::signbit(row.asDouble));
        EXPECT_EQ(n.asString("fb"), row.asString);
        EXPECT_EQ(n.asStringRef(), row.kind == Kind::String ? row.asString : "");
    }
    EXPECT_TRUE(Dom(1).asBool(true));  // numbers are no booleans: the fallback
    EXPECT_EQ(Dom(kNaN).asInt(77), 77);
    EXPECT_TRUE(std::isnan(Dom(kNaN).asDouble(0.5)));
    EXPECT_EQ(sizeof(Dom), 16u);
}

TEST(Dom, ConstLookupsOfMissingThingsGiveOneSharedEmptyNode) {
    Dom doc;
    doc["a"] = Dom(1);
    doc["list"].append() = Dom(2);
    doc[std::string("z\0b", 3)] = Dom(3);
    const Dom& c = doc;
    for (const Dom* miss :
         {&c[std::string("other")], &c[static_cast<const char*>(nullptr)], &c["list"][1], &c["list"][1000], &c["a"][0],
          &c["a"]["x"], &c["list"]["x"], &c["missing"]["deeper"][3], &c[0], &c["list"][-1], &c["list"][5u], &c["z"]}) {
        EXPECT_EQ(miss, &c["missing"]);
        EXPECT_TRUE(miss->isEmpty());
    }
    EXPECT_EQ(c[std::string("z\0b", 3)].asInt(0), 3);
    EXPECT_TRUE(c.has("a") && c.has(std::string("list")) && c.has(std::string("z\0b", 3)));
    EXPECT_FALSE(c.has("missing") || c.has(static_cast<const char*>(nullptr)) || c.has("z") || c["a"].has("a"));
    EXPECT_TRUE(Dom(5).objects().empty());
    EXPECT_EQ(c["list"][0].asInt(0), 2);

    // The non-const index makes no element up.
    EXPECT_THROW(doc["list"][1], std::out_of_range);
    EXPECT_THROW(doc["a"][0], std::out_of_range);
    EXPECT_THROW(doc[-1], std::out_of_range);
    EXPECT_EQ(doc["list"].size(), 1u);
    EXPECT_EQ(doc["a"].asInt(0), 1);
}

TEST(Dom, BuildingReplacesNodesOfOtherKinds) {
    for (const Dom& start : {Dom(3), Dom("text"), objectOf({{"k", Dom(1)}}), arrayOf({Dom(1), Dom(2)})}) {
        SCOPED_TRACE(static_cast<int>(start.kind()));
        const std::size_t elements = start.isArray() ? 2u : 0u, members = start.isObject() ? 1u : 0u;
        Dom a = start;
        EXPECT_EQ(a.toArray().size(), elements);  // an array keeps its elements
        EXPECT_TRUE(a.isArray());
        Dom b = start;
        b.append() = Dom(9);
        EXPECT_EQ(b.size(), elements + 1);
        EXPECT_EQ(b[b.size() - 1].asInt(0), 9);
        Dom o = start;
        o["new"] = Dom(5);
        EXPECT_EQ(o.objects().size(), members + 1);
        EXPECT_EQ(o.objects().back().first, "new");
        Dom t = start;
        EXPECT_EQ(t.toObject().objects().size(), members);
        Dom r = start;
        r.reserve(10);
        EXPECT_TRUE(r.isArray());
        EXPECT_EQ(r.size(), elements);
    }
    Dom named;
    named[static_cast<const char*>(nullptr)] = Dom(1);  // a null key stands for ""
    EXPECT_TRUE(named.has(""));
    // A key living inside the array that the object replaces.
    Dom keyed;
    keyed.append() = Dom("a key longer than the small string buffer");
    keyed[keyed[0].asStringRef().c_str()] = Dom(2);
    EXPECT_EQ(static_cast<const Dom&>(keyed)["a key longer than the small string buffer"].asInt(0), 2);
}

TEST(Dom, AppendReserveAndMembers) {
    Dom a;
    for (int k = 0; k < 1000; ++k) a.append() = Dom(std::to_string(k));
    a.reserve(5000);
    for (int k = 0; k < 1000; ++k) ASSERT_EQ(a[static_cast<std::size_t>(k)].asStringRef(), std::to_string(k));
    // Beyond 2^32 - 1 elements: refused before anything is allocated, array intact.
    EXPECT_THROW(a.reserve(std::size_t(1) << 33), std::length_error);
    EXPECT_EQ(a.size(), 1000u);

    // Members keep their order and duplicates; lookups find the first.
    Dom o = objectOf({{"z", Dom(1)}, {"a", Dom(2)}, {"z", Dom(3)}, {"m", Dom(4)}});
    EXPECT_EQ(static_cast<const Dom&>(o)["z"].asInt(0), 1);
    o["z"] = Dom(10);
    std::string keys;
    for (const Dom::Member& m : o.objects()) keys += m.first + std::to_string(m.second.asInt(0));
    EXPECT_EQ(keys, "z10a2z3m4");

    // FromElements moves the sources out.
    std::vector<Dom> sources = {Dom("long string that is not in the small buffer"), Dom(2), arrayOf({Dom(1)})};
    const Dom moved = Dom::FromElements(sources.data(), sources.size());
    EXPECT_EQ(moved, arrayOf({Dom("long string that is not in the small buffer"), Dom(2), arrayOf({Dom(1)})}));
    for (const Dom& s : sources) EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(Dom::FromElements(nullptr, 0), Dom().toArray());
}

TEST(Dom, CopiesAreIndependentAndMovesEmptyTheSource) {
    Dom doc;
    doc["list"].append() = Dom("x");
    doc["list"].append()["inner"] = Dom(1.5);
    const Dom original = doc;
    Dom copy(doc);
    copy["list"][0] = Dom("changed");
    copy["list"][1]["inner"] = Dom(2.5);
    EXPECT_EQ(doc, original);
    Dom assigned;
    assigned = doc;
    assigned = assigned;
    EXPECT_EQ(assigned, doc);
    Dom moved(std::move(assigned));
    EXPECT_TRUE(assigned.isEmpty());
    Dom target(5);
    target = std::move(moved);
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_EQ(target, doc);
    Dom one(1), two("two");
    one.swap(two);
    EXPECT_EQ(one.asStringRef() + std::to_string(two.asInt(0)), "two1");

    // Assigning a part of the tree to the tree.
    const Dom expected = objectOf({{"inner", Dom("kept")}});
    Dom byCopy = arrayOf({expected, Dom(2)});
    byCopy = byCopy[0];
    EXPECT_EQ(byCopy, expected);
    Dom byMove = objectOf({{"child", expected}, {"other", Dom(3)}});
    byMove = std::move(byMove["child"]);
    EXPECT_EQ(byMove, expected);
}

TEST(Dom, Equality) {
    struct Row {
        Dom a, b;
        bool equal;
    };
    const Row rows[] = {
        {Dom(), Dom(), true},
        {Dom(), Dom(false), false},
        {Dom(1), Dom(1.0), false},
        {Dom(1), Dom(1LL), true},
        {Dom(1), Dom(2), false},
        {Dom(kNaN), Dom(-kNaN), true},
        {Dom(kNaN), Dom(0.0), false},
        {Dom(0.0), Dom(-0.0), true},
        {Dom(kInf), Dom(-kInf), false},
        {Dom(std::string("a\0b", 3)), Dom(std::string("a\0b", 3)), true},
        {Dom(std::string("a\0b", 3)), Dom(std::string("a\0c", 3)), false},
        {Dom().toArray(), Dom().toObject(), false},
        {arrayOf({Dom(1), arrayOf({Dom("x")})}), arrayOf({Dom(1), arrayOf({Dom("x")})}), true},
        {arrayOf({Dom(1), arrayOf({Dom("x")})}), arrayOf({Dom(1), arrayOf({Dom("y")})}), false},
        {arrayOf({Dom(1)}), arrayOf({Dom(1), Dom(1)}), false},
        {objectOf({{"a", Dom(1)}, {"b", Dom()}}), objectOf({{"a", Dom(1)}, {"b", Dom()}}), true},
        {objectOf({{"a", Dom(1)}, {"b", Dom()}}), objectOf({{"b", Dom()}, {"a", Dom(1)}}), false},
        {objectOf({{"a", Dom(1)}}), objectOf({{"c", Dom(1)}}), false},
        {objectOf({{"a", arrayOf({Dom(1)})}}), objectOf({{"a", arrayOf({Dom(2)})}}), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(&row - rows));
        EXPECT_EQ(row.a == row.b, row.equal);
        EXPECT_EQ(row.b == row.a, row.equal);
        EXPECT_EQ(row.a != row.b, !row.equal);
        EXPECT_TRUE(row.a == row.a);
    }
}

}  // namespace
