// shapeexport weld: Assimp import, node transforms, welding, OBJ and JSON output.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <regex>

#include <gtest/gtest.h>

#include "ToolRunner.h"

using tool_test::RunTool;
using tool_test::ScratchDir;

namespace {

// Two triangles of a unit square that share an edge, written with six vertices.
const char* const kSquareObj =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 4 5 6\n";

const char* const kTwoObjects =
    "o first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0\nf 1 2 3\nf 2 4 3\n"
    "o second\nv 5 5 5\nv 6 5 5\nv 5 6 5\nf 5 6 7\n";

std::string Base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 2]);
        out += digits[(value >> 18) & 63];
        out += digits[(value >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(value >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[value & 63] : '=';
    }
    return out;
}

// glTF: a node scaled by 2 whose child, translated by (10, 0, 0), holds the square
// of kSquareObj as six unindexed vertices. Placed, x becomes 2 * (x + 10), y 2 * y.
std::string NestedGltf() {
    const float vertices[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0};
    std::string bytes(sizeof vertices, '\0');
    std::memcpy(&bytes[0], vertices, sizeof vertices);
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
      "nodes": [{"name": "parent", "scale": [2, 2, 2], "children": [1]},
                {"name": "child", "translation": [10, 0, 0], "mesh": 0}],
      "meshes": [{"name": "square", "primitives": [{"attributes": {"POSITION": 0}}]}],
      "buffers": [{"byteLength": 72, "uri": "data:application/octet-stream;base64,)" +
           Base64(bytes) + R"("}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 72}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 6, "type": "VEC3",
                     "min": [0, 0, 0], "max": [1, 1, 0]}]})";
}

struct ObjCounts {
    std::vector<std::vector<long long>> faces;
    std::size_t vertices = 0;
    std::size_t objects = 0;
};

ObjCounts ReadObj(const std::string& text) {
    ObjCounts counts;
    for (const std::string& line : tool_test::Lines(text)) {
        if (line.rfind("v ", 0) == 0) ++counts.vertices;
        if (line.rfind("o ", 0) == 0) ++counts.objects;
        if (line.rfind("f ", 0) == 0) {
            std::istringstream in(line.substr(2));
            std::vector<long long> face;
            for (long long index; in >> index;) face.push_back(index);
            counts.faces.push_back(face);
        }
    }
    return counts;
}

TEST(ToolWeld, MergesCoincidentPositionsAndWritesObjAndJson) {
    ScratchDir dir;
    const std::string obj = dir.Path("out.obj");
    const std::string json = dir.Path("out.json");
    const tool_test::RunResult run = RunTool({"weld", dir.Write("square.obj", kSquareObj), "-o", obj, "--json", json});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << "no progress output when standard error is no terminal: " << run.err;
    const std::vector<std::string> report = tool_test::Lines(run.out);
    ASSERT_EQ(report.size(), 2u) << run.out;
    EXPECT_NE(report[0].find("positions 6 -> 4, 2 triangles"), std::string::npos) << report[0];
    EXPECT_NE(report[1].find("total (1 mesh): positions 6 -> 4, 2 triangles"), std::string::npos) << report[1];

    const ObjCounts counts = ReadObj(tool_test::ReadFileText(obj));
    EXPECT_EQ(counts.objects, 1u);
    EXPECT_EQ(counts.vertices, 4u);
    ASSERT_EQ(counts.faces.size(), 2u);
    for (const std::vector<long long>& face : counts.faces) {
        ASSERT_EQ(face.size(), 3u);
        for (long long index : face) {
            EXPECT_GE(index, 1);
            EXPECT_LE(index, 4);
        }
    }

    const kor::Dom document = tool_test::ParseJson(tool_test::ReadFileText(json));
    ASSERT_EQ(document["meshes"].size(), 1u);
    const kor::Dom& mesh = document["meshes"][0];
    EXPECT_TRUE(mesh["name"].isString());
    ASSERT_EQ(mesh["positions"].size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(mesh["positions"][i].size(), 3u);
    ASSERT_EQ(mesh["indices"].size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_GE(mesh["indices"][i].asInt(-1), 0);
        EXPECT_LT(mesh["indices"][i].asInt(-1), 4);
    }
}

TEST(ToolWeld, NodeTransformsAccumulateFromTheRoot) {
    ScratchDir dir;
    const std::string json = dir.Path("out.json");
    const tool_test::RunResult run = RunTool({"weld", dir.Write("nested.gltf", NestedGltf()), "--json", json});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("positions 6 -> 4"), std::string::npos) << run.out;
    const kor::Dom document = tool_test::ParseJson(tool_test::ReadFileText(json));
    ASSERT_EQ(document["meshes"].size(), 1u);
    const kor::Dom& positions = document["meshes"][0]["positions"];
    std::vector<std::vector<double>> got;
    for (std::size_t i = 0; i < positions.size(); ++i)
        got.push_back({positions[i][0].asDouble(NAN), positions[i][1].asDouble(NAN), positions[i][2].asDouble(NAN)});
    std::sort(got.begin(), got.end());
    const std::vector<std::vector<double>> expected = {{20, 0, 0}, {20, 2, 0}, {22, 0, 0}, {22, 2, 0}};
    EXPECT_EQ(got, expected);
}

TEST(ToolWeld, SeveralMeshesAreNumberedAcrossTheObjFile) {
    ScratchDir dir;
    const std::string obj = dir.Path("out.obj");
    const tool_test::RunResult run = RunTool({"weld", "-", "-o", obj}, kTwoObjects);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> report = tool_test::Lines(run.out);
    ASSERT_EQ(report.size(), 3u) << run.out;
    EXPECT_NE(report[0].find("\"first\""), std::string::npos) << report[0];
    EXPECT_NE(report[0].find("-> 3, 2 triangles"), std::string::npos) << report[0];
    EXPECT_NE(report[1].find("\"second\""), std::string::npos) << report[1];
    EXPECT_NE(report[1].find("-> 3, 1 triangle,"), std::string::npos) << report[1];
    EXPECT_NE(report[2].find("total (2 meshes)"), std::string::npos) << report[2];
    EXPECT_NE(report[2].find("-> 6, 3 triangles"), std::string::npos) << report[2];

    const ObjCounts counts = ReadObj(tool_test::ReadFileText(obj));
    EXPECT_EQ(counts.objects, 2u);
    EXPECT_EQ(counts.vertices, 6u);
    ASSERT_EQ(counts.faces.size(), 3u);
    for (std::size_t f = 0; f < 3; ++f)
        for (long long index : counts.faces[f]) {
            EXPECT_GE(index, f < 2 ? 1 : 4) << "face " << f;
            EXPECT_LE(index, f < 2 ? 3 : 6) << "face " << f;
        }
}

TEST(ToolWeld, ModelsAssimpCannotReadAreReported) {
    ScratchDir dir;
    const struct {
        const char* name;
        std::string content;
        const char* message;
    } cases[] = {
        {"model.xyzzy", "not a model at all\n", "cannot import"},
        {"model.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [", "cannot import"},
        {"model.obj", "this is not geometry\n", "no meshes"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write(c.name, c.content);
        const tool_test::RunResult run = RunTool({"weld", path, "-o", dir.Path("out.obj")});
        EXPECT_EQ(run.exitCode, 1) << c.name;
        ASSERT_EQ(tool_test::Lines(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(tool_test::FileExists(dir.Path("out.obj")));
    }
}

}  // namespace
