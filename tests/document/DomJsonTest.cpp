// kor::DomReaderJson and kor::DomWriterJson: numbers, round trips, exact output,
// malformed text and the nesting limit.
#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include <gtest/gtest.h>

#include "DataLines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

using kor::Dom;
using kor::DomReaderJson;
using kor::DomWriterJson;

const double kInf = std::numeric_limits<double>::infinity();
const double kDenormMin = std::numeric_limits<double>::denorm_min();
const double kMax = std::numeric_limits<double>::max();

std::uint64_t bitsOf(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

Dom parse(const std::string& text) {
    Dom out;
    std::string error;
    EXPECT_TRUE(DomReaderJson::FromString(out, text.c_str(), &error)) << text << ": " << error;
    EXPECT_EQ(error, "");
    return out;
}

// tests/data/document/numbers.txt, each token alone, in an array and in an object.
TEST(DomReaderJson, NumberKindsAndValues) {
    const std::vector<std::string> rows = testing_support::DataLines("document/numbers.txt");
    ASSERT_GT(rows.size(), 30u);
    for (const std::string& row : rows) {
        std::istringstream fields(row);
        std::string kind, expected, token;
        fields >> kind >> expected >> token;
        SCOPED_TRACE(row.substr(0, 60));
        for (const std::string& text : {token, "[" + token + "]", "{\"n\": " + token + "}"}) {
            const Dom doc = parse(text);
            const Dom& n = doc.isArray() ? doc[0] : doc.isObject() ? doc["n"] : doc;
            ASSERT_EQ(n.kind(), kind == "I" ? Dom::Kind::Int : Dom::Kind::Double);
            if (kind == "I")
                EXPECT_EQ(n.asInt(0), std::stoll(expected));
            else if (expected == "nan")
                EXPECT_TRUE(std::isnan(n.asDouble(0.0)));
            else
                EXPECT_EQ(bitsOf(n.asDouble(0.0)), bitsOf(std::strtod(expected.c_str(), nullptr))) << n.asDouble(0.0);
        }
    }
    EXPECT_EQ(parse("-1.5").asInt(0), -1);
    EXPECT_EQ(parse("1e999").asInt(5), 5);
}

// Number texts of every shape the grammar allows, compared with std::from_chars
// (the reference conversion, correctly rounded): short decimals take a shortcut in
// the reader, and every other text the general conversion.
TEST(DomReaderJson, NumberTextsConvertExactlyLikeFromChars) {
    std::mt19937_64 random(2024);
    auto digits = [&random](std::size_t count, bool leadingNonZero) {
        std::string text;
        for (std::size_t k = 0; k < count; ++k)
            text += static_cast<char>('0' + (k == 0 && leadingNonZero ? 1 + random() % 9 : random() % 10));
        return text;
    };
    std::vector<std::string> texts = {
        "9007199254740992", "9007199254740993", "9007199254740992.0", "9007199254740993.0",
        "900719925474099.25", "4503599627370497.5", "0.000000000000000001", "0.0000000000000000001",
        "123456789012345678", "1234567890123456789", "-999999999999999999", "12345678901234567.8",
        "1.7976931348623157", "0.1", "0.30000000000000004", "2.5e-3", "1e22", "1e23", "1.5e-22", "3e-23",
        "-0.0", "0.000", "-0.000e5", "100", "-100.5",
    };
    for (int k = 0; k < 20000; ++k) {
        std::string text = random() % 2 ? "-" : "";
        const std::size_t integerDigits = 1 + random() % 20;
        text += random() % 5 == 0 ? "0" : digits(integerDigits, true);
        if (random() % 4 != 0)
            text += "." + digits(1 + random() % 22, false);
        if (random() % 3 == 0) {
            text += random() % 2 ? "e" : "E";
            const int sign = static_cast<int>(random() % 3);
            text += sign == 0 ? "" : sign == 1 ? "+" : "-";
            text += std::to_string(random() % (random() % 2 ? 30 : 330));
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const Dom value = parse("[" + text + "]")[0];
        const char* end = text.data() + text.size();
        long long integer = 0;
        const auto asInteger = std::from_chars(text.data(), end, integer);
        if (text.find_first_of(".eE") == std::string::npos && text != "-0" && asInteger.ec == std::errc() &&
            asInteger.ptr == end) {
            ASSERT_TRUE(value.isInt());
            EXPECT_EQ(value.asInt(0), integer);
            continue;
        }
        double expected = 0.0;
        const auto asDouble = std::from_chars(text.data(), end, expected);
        if (asDouble.ec != std::errc())
            continue;  // beyond the double range: covered by NumberKindsAndValues
        ASSERT_TRUE(value.isDouble());
        EXPECT_EQ(bitsOf(value.asDouble(0.0)), bitsOf(expected)) << value.asDouble(0.0) << " vs " << expected;
    }
}

// Random trees of every kind (escaped strings and keys, zero bytes, numbers of every
// size, nesting, empty containers) written as text and read back, through both
// entry points: the same tree.
TEST(DomReaderJson, RandomTreesReadBackEqual) {
    std::mt19937_64 random(77);
    auto randomString = [&random]() {
        static const char pieces[] = {'a', 'Z', '"', '\\', '/', '\b', '\f', '\n', '\r', '\t', '\0', '\x1f', ' ', '7'};
        std::string text;
        const std::size_t length = random() % 12;
        for (std::size_t k = 0; k < length; ++k)
            text += random() % 4 == 0 ? "\xC3\xA9" : std::string(1, pieces[random() % sizeof pieces]);
        return text;
    };
    auto randomScalar = [&](Dom& node) {
        switch (random() % 6) {
        case 0: node = Dom(random() % 2 == 0); break;
        case 1: node = Dom(static_cast<long long>(random()) >> (random() % 64)); break;
        case 2: {
            double d;
            const std::uint64_t bits = random();
            std::memcpy(&d, &bits, sizeof d);
            node = Dom(std::isnan(d) ? 0.5 : d);
            break;
        }
        case 3: node = Dom(static_cast<double>(static_cast<int>(random() % 2000001) - 1000000) / 1000.0); break;
        case 4: node = Dom(randomString()); break;
        default: node = Dom(); break;
        }
    };
    for (int round = 0; round < 300; ++round) {
        Dom root;
        std::vector<Dom*> open{&root.toArray()};
        const int steps = static_cast<int>(random() % 200);
        for (int step = 0; step < steps && !open.empty(); ++step) {
            Dom& container = *open.back();
            const unsigned choice = static_cast<unsigned>(random() % 10);
            if (choice == 0) {
                open.pop_back();
                continue;
            }
            Dom& child = container.isArray() ? container.append() : container[randomString()];
            if (choice <= 2 && open.size() < 30)
                open.push_back(choice == 1 ? &child.toArray() : &child.toObject());
            else
                randomScalar(child);
        }
        for (int indent : {-1, 2}) {
            const std::string text = DomWriterJson::ToString(root, indent);
            SCOPED_TRACE(text.substr(0, 200));
            EXPECT_TRUE(parse(text) == root);
            Dom sized;
            std::string error;
            EXPECT_TRUE(DomReaderJson::FromString(sized, text.data(), text.size(), &error)) << error;
            EXPECT_TRUE(sized == root);
        }
    }
}

// The reader keeps waiting values in storage of fixed-size pieces: containers whose
// elements straddle piece boundaries, large objects, and texts that break off with
// many values (strings among them) still waiting.
TEST(DomReaderJson, LargeContainersAndTextsBreakingOff) {
    Dom doc;
    int counter = 0;
    for (std::size_t size : {1u, 4095u, 4096u, 4097u, 3u, 8193u, 0u, 12289u}) {
        Dom& array = doc.append().toArray();
        for (std::size_t k = 0; k < size; ++k) {
            if (k % 1000 == 7)
                array.append()["s"] = Dom("text " + std::to_string(counter++));
            else
                array.append() = Dom(counter++);
        }
    }
    Dom& object = doc.append().toObject();
    for (int k = 0; k < 5000; ++k)
        object["key " + std::to_string(k)] = k % 2 ? Dom(std::to_string(k)) : Dom(k * 0.5);
    const std::string text = DomWriterJson::ToString(doc);
    EXPECT_TRUE(parse(text) == doc);
    for (std::size_t cut : {text.size() / 3, text.size() / 2, text.size() - 2}) {
        Dom out(1);
        EXPECT_FALSE(DomReaderJson::FromString(out, text.substr(0, cut).c_str(), nullptr));
        EXPECT_TRUE(out.isEmpty());
    }
}

TEST(DomReaderJson, HugeNumbersKeepStringsAndErrorOffsets) {
    // Numbers too big for the underlying parser are rewritten before a second
    // pass; strings that look like numbers stay as they are.
    const Dom doc = parse("[\"1e999\", 1e999, {\"1e999\": -1e999, \"s\": \"\\\"1e999\"}, 0e500]");
    ASSERT_EQ(doc.size(), 4u);
    EXPECT_EQ(doc[0].asStringRef(), "1e999");
    EXPECT_EQ(doc[1].asDouble(0.0), kInf);
    EXPECT_EQ(doc[2]["1e999"].asDouble(0.0), -kInf);
    EXPECT_EQ(doc[2]["s"].asStringRef(), "\"1e999");
    EXPECT_EQ(bitsOf(doc[3].asDouble(1.0)), bitsOf(0.0));

    // The error after a huge number is reported at the same offset as after a normal one.
    std::string hugeError, plainError;
    Dom out;
    EXPECT_FALSE(DomReaderJson::FromString(out, "[1e999, ]", &hugeError));
    EXPECT_FALSE(DomReaderJson::FromString(out, "[1.0e0, ]", &plainError));
    EXPECT_EQ(hugeError, plainError);
    EXPECT_NE(hugeError.find("offset 8"), std::string::npos) << hugeError;
}

TEST(DomReaderJson, ReadsWhatTheCallersRead) {
    const Dom doc = parse(R"({"Outlines": [[[0, 0], [4, 0.5], [4, 4], [1]],
                                            [[[[0, 1, 2], true], [[2, 1, 0], false]]]],
                              "Params": {"Scale": 2, "Offset": -1.25, "Scale": 3},
                              "Start": false})");
    ASSERT_TRUE(doc.has("Outlines"));
    EXPECT_FALSE(doc.has("outlines"));
    const Dom& outlines = doc["Outlines"];
    ASSERT_EQ(outlines.size(), 2u);
    ASSERT_EQ(outlines[0].size(), 4u);
    EXPECT_EQ(outlines[0][1][1].asDouble(0.0), 0.5);
    EXPECT_EQ(outlines[0][1][0].asDouble(0.0), 4.0);  // an Int read as a double
    EXPECT_EQ(outlines[0][3].size(), 1u);
    const Dom& entry = outlines[1][0][1];
    EXPECT_EQ(entry.size(), 2u);
    EXPECT_EQ(entry[0][0].asInt(0), 2);
    EXPECT_FALSE(entry[1].asBool(true));
    EXPECT_TRUE(entry[1].isBool());
    EXPECT_TRUE(outlines[1][0][0][1].asBool(false));

    const Dom& params = doc["Params"];
    ASSERT_TRUE(params.isObject());
    std::vector<std::string> keys;
    for (const Dom::Member& m : params.objects())
        keys.push_back(m.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"Scale", "Offset", "Scale"}));  // order and duplicates kept
    EXPECT_EQ(params["Scale"].asDouble(0.0), 2.0);  // the first one
    EXPECT_EQ(params.objects()[2].second.asInt(0), 3);
    EXPECT_TRUE(doc["Start"].isBool());
    EXPECT_EQ(doc["Missing"].size(), 0u);
}

TEST(DomReaderJson, Strings) {
    const Dom doc = parse(R"(["a\"b\\c\/d", "\b\f\n\r\t", "\u00e9\u20ac\ud83d\ude00", "\u0000x", "é", ""])");
    ASSERT_EQ(doc.size(), 6u);
    EXPECT_EQ(doc[0].asStringRef(), "a\"b\\c/d");
    EXPECT_EQ(doc[1].asStringRef(), "\b\f\n\r\t");
    EXPECT_EQ(doc[2].asStringRef(), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(doc[3].asStringRef(), std::string("\0x", 2));
    EXPECT_EQ(doc[4].asStringRef(), "\xC3\xA9");
    EXPECT_TRUE(doc[5].isString());
    EXPECT_EQ(parse(" \t\r\n true \n").asBool(false), true);
    EXPECT_EQ(parse("\xEF\xBB\xBF[1]")[0].asInt(0), 1);  // a byte order mark is skipped
    EXPECT_TRUE(parse("null").isEmpty());
}

// tests/data/document/malformed.txt: the offset, then the text.
TEST(DomReaderJson, MalformedTextGivesAnEmptyNodeAndAnOffset) {
    const std::vector<std::string> rows = testing_support::DataLines("document/malformed.txt");
    ASSERT_GT(rows.size(), 20u);
    for (const std::string& row : rows) {
        const std::size_t space = std::min(row.find(' '), row.size());
        const std::string offset = row.substr(0, space), text = row.substr(std::min(space + 1, row.size()));
        SCOPED_TRACE(text.substr(0, 60));
        Dom out;
        out["previous"] = Dom(1);
        std::string error;
        EXPECT_FALSE(DomReaderJson::FromString(out, text.c_str(), &error));
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(error.find("JSON parse error at byte offset " + offset + ": "), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(error.find("deeper than 512") != std::string::npos, text.size() > 1000) << error;
        // No error string wanted: same result.
        Dom quiet(2);
        EXPECT_FALSE(DomReaderJson::FromString(quiet, text.c_str(), nullptr));
        EXPECT_TRUE(quiet.isEmpty());
    }
}

TEST(DomReaderJson, NullTextAndExplicitLengths) {
    Dom out(1);
    std::string error;
    EXPECT_FALSE(DomReaderJson::FromString(out, nullptr, &error));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(error.find("JSON parse error at byte offset 0"), 0u);
    out = Dom(1);
    EXPECT_FALSE(DomReaderJson::FromString(out, nullptr, 5, nullptr));
    EXPECT_TRUE(out.isEmpty());

    const char text[] = "[1]\0[2]";  // 7 bytes and a terminating zero
    EXPECT_TRUE(DomReaderJson::FromString(out, text, 3, &error));
    EXPECT_EQ(out[0].asInt(0), 1);
    EXPECT_FALSE(DomReaderJson::FromString(out, text, 7, &error));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(error.find("JSON parse error at byte offset 3"), 0u) << error;
    // Not zero-terminated: only the given bytes are read.
    const char unterminated[] = {'[', '4', '2', ']', '!'};
    EXPECT_TRUE(DomReaderJson::FromString(out, unterminated, 4, &error));
    EXPECT_EQ(out[0].asInt(0), 42);
    const char truncatedHuge[] = {'[', '1', 'e', '9', '9', '9', ']'};
    EXPECT_FALSE(DomReaderJson::FromString(out, truncatedHuge, 6, &error));
    EXPECT_EQ(error.find("JSON parse error at byte offset 6"), 0u) << error;
    EXPECT_TRUE(DomReaderJson::FromString(out, truncatedHuge, 7, &error));
    EXPECT_EQ(out[0].asDouble(0.0), kInf);
}

// 512 levels read (the rows of malformed.txt go one deeper).
TEST(DomReaderJson, NestingLimit) {
    for (const char* open : {"[", "{\"a\":"}) {
        std::string text;
        for (std::size_t k = 0; k < DomReaderJson::kMaxDepth; ++k)
            text += open;
        text += "1" + std::string(DomReaderJson::kMaxDepth, open[0] == '[' ? ']' : '}');
        EXPECT_EQ(DomWriterJson::ToString(parse(text)), text);
    }
}

TEST(DomWriterJson, CompactAndIndentedOutput) {
    const Dom doc = parse(R"({"a": 1, "b": [true, null, 1.5, "x\"y"], "c": {}, "d": [], "e": 100.0,
                              "f": {"g": [[]]}})");
    EXPECT_EQ(DomWriterJson::ToString(doc),
              R"({"a":1,"b":[true,null,1.5,"x\"y"],"c":{},"d":[],"e":100.0,"f":{"g":[[]]}})");
    EXPECT_EQ(DomWriterJson::ToString(doc, 2),
              "{\n"
              "  \"a\": 1,\n"
              "  \"b\": [\n"
              "    true,\n"
              "    null,\n"
              "    1.5,\n"
              "    \"x\\\"y\"\n"
              "  ],\n"
              "  \"c\": {},\n"
              "  \"d\": [],\n"
              "  \"e\": 100.0,\n"
              "  \"f\": {\n"
              "    \"g\": [\n"
              "      []\n"
              "    ]\n"
              "  }\n"
              "}");
    EXPECT_EQ(DomWriterJson::ToString(doc, 2, true),
              "{\n  \"a\": 1,\n  \"b\": [true, null, 1.5, \"x\\\"y\"],\n  \"c\": {},\n  \"d\": [],\n  \"e\": 100.0,\n"
              "  \"f\": {\n    \"g\": [[]]\n  }\n}");
    EXPECT_EQ(DomWriterJson::ToString(doc, -1, true), DomWriterJson::ToString(doc));
    EXPECT_EQ(DomWriterJson::ToString(parse("[1,{\"k\":[2]}]"), 0), "[\n1,\n{\n\"k\": [\n2\n]\n}\n]");
    EXPECT_EQ(DomWriterJson::ToString(Dom()), "null");
    EXPECT_EQ(DomWriterJson::ToString(Dom(), 4), "null");
    EXPECT_EQ(DomWriterJson::ToString(Dom().toObject(), 4), "{}");
}

TEST(DomWriterJson, ScalarText) {
    struct Row {
        Dom value;
        const char* text;
    };
    const std::vector<Row> rows = {
        {Dom(100.0), "100.0"},
        {Dom(100), "100"},
        {Dom(-0.0), "-0.0"},
        {Dom(0.0), "0.0"},
        {Dom(0.1), "0.1"},
        {Dom(-1.5), "-1.5"},
        {Dom(1e300), "1e+300"},
        {Dom(1e21), "1e+21"},
        {Dom(1e-7), "1e-07"},
        {Dom(123456789012345678.0), "123456789012345680.0"},
        {Dom(kDenormMin), "5e-324"},
        {Dom(kMax), "1.7976931348623157e+308"},
        {Dom(kInf), "Infinity"},
        {Dom(-kInf), "-Infinity"},
        {Dom(std::numeric_limits<double>::quiet_NaN()), "NaN"},
        {Dom(std::numeric_limits<long long>::min()), "-9223372036854775808"},
        {Dom(true), "true"},
        {Dom(false), "false"},
        {Dom(std::string("q\"b\\s/\b\f\n\r\t\x01\x1f\x7f\xC3\xA9", 16)), "\"q\\\"b\\\\s/\\b\\f\\n\\r\\t\\u0001\\u001f\x7f\xC3\xA9\""},
        {Dom(std::string("a\0b", 3)), "\"a\\u0000b\""},
        {Dom(""), "\"\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(DomWriterJson::ToString(row.value), row.text);
        EXPECT_EQ(DomWriterJson::ToString(row.value, 2), row.text);
    }
}

// Every kind, awkward strings and keys, non-finite numbers and empty containers.
Dom sampleTree() {
    Dom doc;
    doc["ints"].append() = Dom(0);
    doc["ints"].append() = Dom(std::numeric_limits<long long>::min());
    doc["ints"].append() = Dom(std::numeric_limits<long long>::max());
    const double doubles[] = {0.0, -0.0, 100.0, 1e300, -1e-300, kDenormMin, kMax, kInf, -kInf,
                              std::numeric_limits<double>::quiet_NaN(), 9223372036854775808.0, 0.1};
    for (double d : doubles)
        doc["doubles"].append() = Dom(d);
    doc["strings"].append() = Dom(std::string("\0\x01\x1f\"\\/\xff\xC3\xA9 end", 13));
    doc["strings"].append() = Dom("");
    doc[std::string("key \"with\" \n escapes\0", 21)] = Dom(true);
    doc["empty"] = Dom();
    doc["emptyArray"].toArray();
    doc["emptyObject"].toObject();
    doc["nested"].append().append()["x"].append() = Dom(false);
    doc["dup"] = Dom(1);
    std::vector<Dom::Member> dups;
    dups.emplace_back("k", Dom(1));
    dups.emplace_back("k", Dom(2));
    doc["dups"] = Dom::FromMembers(std::move(dups));
    return doc;
}

TEST(DomJson, RoundTripGivesAnEqualTree) {
    const Dom doc = sampleTree();
    const std::pair<int, bool> styles[] = {{-1, false}, {0, false}, {2, false}, {7, false}, {7, true}};
    for (const auto& [indent, flat] : styles) {
        SCOPED_TRACE(indent);
        const std::string text = DomWriterJson::ToString(doc, indent, flat);
        const Dom back = parse(text);
        EXPECT_TRUE(back == doc) << text;
        EXPECT_TRUE(std::signbit(back["doubles"][1].asDouble(0.0)));
        EXPECT_TRUE(back["doubles"][2].isDouble());
        EXPECT_EQ(DomWriterJson::ToString(back, indent, flat), text);
        std::ostringstream stream;
        DomWriterJson::Write(stream, doc, indent, flat);
        EXPECT_EQ(stream.str(), text);
    }
}

// Doubles of every kind are written as std::to_chars writes them (the reference the
// writer's own layout of dragonbox's digits must match), marked as doubles, and
// read back bit for bit.
TEST(DomJson, NumbersAreWrittenAsToCharsWritesThemAndReadBack) {
    std::mt19937_64 random(12345);
    std::vector<double> values;
    for (int k = 0; k < 100000; ++k) {
        const std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        values.push_back(d);
        values.push_back(std::uniform_real_distribution<double>(-1000.0, 1000.0)(random));
        values.push_back(static_cast<double>(static_cast<long long>(random()) >> (random() % 64)));
        values.push_back(std::ldexp(1.0, static_cast<int>(random() % 2100) - 1075));
        values.push_back(static_cast<double>(static_cast<int>(random() % 2000001) - 1000000) / 1000.0);
    }
    for (int e = -325; e <= 309; ++e)
        for (double m : {1.0, 5.0, 9.0, 123456789.0, 9007199254740993.0}) {
            const double d = m * std::pow(10.0, e);
            values.insert(values.end(), {d, std::nextafter(d, 0.0), std::nextafter(d, kInf)});
        }
    Dom doubles;
    for (double d : values) {
        if (std::isnan(d))
            continue;
        char text[DomWriterJson::kNumberSize], reference[40];
        const std::size_t length = DomWriterJson::FormatNumber(d, text);
        std::size_t expected = static_cast<std::size_t>(std::to_chars(reference, reference + 32, d).ptr - reference);
        if (std::isfinite(d) && std::string(reference, expected).find_first_of(".e") == std::string::npos)
            expected += static_cast<std::size_t>(std::snprintf(reference + expected, 3, ".0"));
        ASSERT_EQ(std::string(text, length), std::isfinite(d) ? std::string(reference, expected) : d < 0 ? "-Infinity" : "Infinity");
        doubles.append() = Dom(d);
    }
    const Dom back = parse(DomWriterJson::ToString(doubles));
    ASSERT_EQ(back.size(), doubles.size());
    for (std::size_t k = 0; k < back.size(); ++k) {
        ASSERT_TRUE(back[k].isDouble());
        ASSERT_EQ(bitsOf(back[k].asDouble(0.0)), bitsOf(doubles[k].asDouble(0.0))) << doubles[k].asDouble(0.0);
    }
}

TEST(DomWriterJson, StreamOutputInManyChunks) {
    Dom big;
    for (int k = 0; k < 50000; ++k)
        big.append() = Dom("element " + std::to_string(k));
    std::ostringstream stream;
    DomWriterJson::Write(stream, big, 1);
    const std::string text = stream.str();
    EXPECT_GT(text.size(), 3u * 65536u);
    EXPECT_EQ(text, DomWriterJson::ToString(big, 1));
    EXPECT_TRUE(parse(text) == big);
}

}  // namespace
