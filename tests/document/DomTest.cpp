// kor::Dom: kinds, conversions, lookups, building, copies and comparison, and trees
// far deeper than a call stack could follow recursively (100000 levels built in
// code, destroyed, copied, compared, written, and refused by the reader).
// kor::DomReaderJson and kor::DomWriterJson: numbers against the standard
// conversions, exact output, malformed text and the nesting limit (round trips of
// random trees: the document harness on its seeds, fuzz/corpus/fuzz_document).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include "TestData.h"

namespace {

using kor::Dom;
using Kind = Dom::Kind;

Dom parse(const std::string& text) {
    Dom out;
    std::string error;
    EXPECT_TRUE(kor::DomReaderJson::FromString(out, text.data(), text.size(), &error))
        << text.substr(0, 80) << ": " << error;
    return out;
}

std::uint64_t bitsOf(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

// tests/data/document/values.txt.
TEST(Dom, KindsAndConversions) {
    const char* const kinds[] = {"Empty", "Bool", "Int", "Double", "String", "Array", "Object"};
    for (const std::string& row : testing_support::DataLines("document/values.txt")) {
        SCOPED_TRACE(row);
        const std::vector<std::string> fields = testing_support::Fields(row);
        ASSERT_EQ(fields.size(), 6u);
        const Dom n = parse(fields[0]);
        const Kind kind = n.kind();
        EXPECT_EQ(kinds[static_cast<int>(kind)], fields[1]);
        EXPECT_EQ(n.asBool(false), fields[2] == "true");
        EXPECT_EQ(n.asInt(77), std::stoll(fields[3]));
        const double expected = std::strtod(fields[4].c_str(), nullptr);
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(n.asDouble(0.5)) : bitsOf(n.asDouble(0.5)) == bitsOf(expected));
        EXPECT_EQ(n.asString("fb"), fields[5]);
        EXPECT_EQ(n.asStringRef(), kind == Kind::String ? fields[5] : "");
    }
    EXPECT_TRUE(Dom(1).asBool(true));  // numbers are no booleans: the fallback
    EXPECT_EQ(Dom(static_cast<const char*>(nullptr)).asString("fb"), "");
}

// tests/data/document/equality.txt.
TEST(Dom, Equality) {
    for (const std::string& row : testing_support::DataLines("document/equality.txt")) {
        SCOPED_TRACE(row);
        const std::vector<std::string> fields = testing_support::Fields(row);
        ASSERT_EQ(fields.size(), 3u);
        const Dom a = parse(fields[0]), b = parse(fields[1]);
        const bool equal = fields[2] == "1";
        EXPECT_EQ(a == b, equal);
        EXPECT_EQ(b == a, equal);
        EXPECT_TRUE(a == a && !(a != a));
    }
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

    // The non-const index makes no element up.
    EXPECT_THROW(doc["list"][1], std::out_of_range);
    EXPECT_THROW(doc["a"][0], std::out_of_range);
    EXPECT_THROW(doc[-1], std::out_of_range);
    EXPECT_TRUE(doc["list"].size() == 1 && doc["a"].asInt(0) == 1);
}

// tests/data/document/building.txt.
TEST(Dom, BuildingReplacesNodesOfOtherKinds) {
    for (const std::string& row : testing_support::DataLines("document/building.txt")) {
        const std::vector<std::string> f = testing_support::Fields(row);
        ASSERT_EQ(f.size(), 5u) << row;
        Dom d = parse(f[0]);
        const Dom* built = f[1] == "toArray" ? &d.toArray() : f[1] == "toObject" ? &d.toObject() : &d;
        EXPECT_EQ(built, &d);
        if (f[1] == "reserve") d.reserve(std::stoul(f[2]));
        if (f[1] == "append") d.append() = parse(f[3]);
        if (f[1] == "set") d[f[2]] = parse(f[3]);
        EXPECT_EQ(kor::DomWriterJson::ToString(d), f[4]) << row;
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
    // Members keep their order and duplicates (building.txt); lookups find the first.
    const Dom members = Dom::FromMembers({{"z", Dom(1)}, {"a", Dom(2)}, {"z", Dom(3)}});
    EXPECT_EQ(members["z"].asInt(0), 1);
    std::vector<Dom> sources = {Dom("long string that is not in the small buffer"), parse("[1]")};
    EXPECT_EQ(Dom::FromElements(sources.data(), 2), parse(R"(["long string that is not in the small buffer", [1]])"));
    EXPECT_EQ(Dom::FromElements(nullptr, 0), Dom().toArray());
}

// Copies are deep, moves empty the source, and a part of a tree assigned to the tree
// (by copy and by move) is taken before the tree is replaced.
TEST(Dom, CopiesMovesAndPartsOfTheTree) {
    const Dom original = parse(R"({"list": ["x", {"inner": 1.5}], "other": 3})");
    Dom copy(original);
    copy["list"][1]["inner"] = Dom(2.5);
    EXPECT_NE(copy, original);
    EXPECT_EQ(original["list"][1]["inner"].asDouble(0.0), 1.5);
    Dom assigned;
    assigned = original;
    assigned = assigned;
    Dom moved(std::move(assigned)), target(5);
    target = std::move(moved);
    EXPECT_TRUE(assigned.isEmpty() && moved.isEmpty());
    EXPECT_EQ(target, original);

    Dom byCopy = original, byMove = original;
    byCopy = byCopy["list"][1];
    byMove = std::move(byMove["list"]);
    EXPECT_EQ(byCopy, original["list"][1]);
    EXPECT_EQ(byMove, original["list"]);
}

constexpr int kDepth = 100000;

// kDepth nested arrays (or objects with the key "k"), the innermost holding `leaf`.
Dom buildDeep(bool objects, const Dom& leaf) {
    Dom root;
    Dom* node = &root;
    for (int level = 0; level < kDepth; ++level) node = objects ? &(*node)["k"] : &node->append();
    *node = leaf;
    return root;
}

TEST(DomDeepTree, NoRecursionAnywhere) {
    for (bool objects : {false, true}) {
        SCOPED_TRACE(objects ? "objects" : "arrays");
        { Dom dropped = buildDeep(objects, Dom("leaf")); }
        const Dom tree = buildDeep(objects, Dom(7));
        Dom copy(tree);
        EXPECT_TRUE(copy == tree);
        EXPECT_TRUE(buildDeep(objects, Dom(2)) != tree);  // differs only at the very bottom
        Dom wide = Dom::FromMembers({{"a", tree}, {"b", tree}});
        EXPECT_TRUE(Dom(wide) == wide);
        copy = std::move(objects ? copy["k"]["k"] : copy[0][0]);  // a part replaces the whole
        EXPECT_EQ(copy.kind(), tree.kind());

        std::string expected;
        for (int level = 0; level < kDepth; ++level) expected += objects ? "{\"k\":" : "[";
        expected += "7" + std::string(kDepth, objects ? '}' : ']');
        const std::string text = kor::DomWriterJson::ToString(tree);
        EXPECT_EQ(text, expected);
        std::ostringstream stream;
        kor::DomWriterJson::Write(stream, tree);
        EXPECT_EQ(stream.str(), expected);
        Dom out(1);
        std::string error;
        EXPECT_FALSE(kor::DomReaderJson::FromString(out, text.c_str(), &error));
        EXPECT_TRUE(out.isEmpty());
        EXPECT_NE(error.find("512"), std::string::npos) << error;
    }
}

using kor::DomReaderJson;
using kor::DomWriterJson;

// tests/data/document/numbers.txt: each token alone, in an array and in an object.
TEST(DomReaderJson, NumberKindsAndValues) {
    for (const std::string& row : testing_support::DataLines("document/numbers.txt")) {
        std::istringstream fields(row);
        std::string kind, expected, token;
        fields >> kind >> expected >> token;
        SCOPED_TRACE(row);
        for (const std::string& text : {token, "[" + token + "]", "{\"n\": " + token + "}"}) {
            const Dom doc = parse(text);
            const Dom& n = doc.isArray() ? doc[0] : doc.isObject() ? doc["n"] : doc;
            ASSERT_EQ(n.kind(), kind == "I" ? Dom::Kind::Int : Dom::Kind::Double);
            if (kind == "I")
                EXPECT_EQ(n.asInt(0), std::stoll(expected));
            else if (expected == "nan")
                EXPECT_TRUE(std::isnan(n.asDouble(0.0)));
            else
                EXPECT_EQ(bitsOf(n.asDouble(0.0)), bitsOf(std::strtod(expected.c_str(), nullptr)));
        }
    }
}

// tests/data/document/writer.txt: exact text in each layout.
TEST(DomWriterJson, ExactText) {
    for (const std::string& row : testing_support::DataLines("document/writer.txt")) {
        std::istringstream fields(row);
        int indent = 0, flat = 0;
        fields >> indent >> flat;
        const std::size_t tab = row.find('\t');
        const std::size_t start = static_cast<std::size_t>(fields.tellg()) + 1;
        std::string expected = row.substr(tab + 1);
        for (std::size_t at; indent >= 0 && (at = expected.find("\\n")) != std::string::npos;)
            expected.replace(at, 2, "\n");
        SCOPED_TRACE(row);
        EXPECT_EQ(DomWriterJson::ToString(parse(row.substr(start, tab - start)), indent, flat != 0), expected);
    }
}

// tests/data/document/malformed.txt: the offset the error names, then the text.
TEST(DomReaderJson, MalformedTextGivesAnEmptyNodeAndAnOffset) {
    const std::vector<std::string> rows = testing_support::DataLines("document/malformed.txt");
    ASSERT_GT(rows.size(), 20u);
    for (const std::string& row : rows) {
        const std::size_t space = std::min(row.find(' '), row.size());
        const std::string text = row.substr(std::min(space + 1, row.size()));
        SCOPED_TRACE(text.substr(0, 60));
        Dom out;
        out["previous"] = Dom(1);
        std::string error;
        EXPECT_FALSE(DomReaderJson::FromString(out, text.c_str(), &error));
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(error.find("JSON parse error at byte offset " + row.substr(0, space) + ": "), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(error.find("deeper than 512") != std::string::npos, text.size() > 1000) << error;
        Dom quiet(2);
        EXPECT_FALSE(DomReaderJson::FromString(quiet, text.c_str(), nullptr));
        EXPECT_TRUE(quiet.isEmpty());
    }
}

TEST(DomReaderJson, EdgesOfTheText) {
    // A null text fails at offset 0; only the bytes given are read. (Numbers too big
    // for the parser are rewritten before a second pass: rows of writer.txt, and of
    // malformed.txt for the offset an error after one names.)
    std::string plainError;
    Dom out(1);
    EXPECT_FALSE(DomReaderJson::FromString(out, nullptr, &plainError));
    EXPECT_EQ(plainError.find("JSON parse error at byte offset 0"), 0u);
    EXPECT_FALSE(DomReaderJson::FromString(out, nullptr, 5, nullptr));
    const char text[] = "[1]\0[2]";
    EXPECT_TRUE(DomReaderJson::FromString(out, text, 3, nullptr));
    EXPECT_EQ(out[0].asInt(0), 1);
    EXPECT_FALSE(DomReaderJson::FromString(out, text, 7, &plainError));
    EXPECT_EQ(plainError.find("JSON parse error at byte offset 3"), 0u) << plainError;
    const char huge[] = {'[', '1', 'e', '9', '9', '9', ']', '!'};
    EXPECT_FALSE(DomReaderJson::FromString(out, huge, 6, &plainError));
    EXPECT_EQ(plainError.find("JSON parse error at byte offset 6"), 0u) << plainError;
    EXPECT_TRUE(DomReaderJson::FromString(out, huge, 7, nullptr));
    EXPECT_EQ(out[0].asDouble(0.0), std::numeric_limits<double>::infinity());
}

}  // namespace
