// The test data files (tests/data/...), as lines or as a document, and the compact
// text form of loops that they and the tests use: indices separated by spaces, a vertex whose exterior flag is
// false marked with a trailing apostrophe ("8 4' 5 3'").
#pragma once

#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/ShapeExport/Position.h>

namespace testing_support {

// The path of tests/data/<path>.
inline std::string DataPath(const std::string& path) { return SHAPEEXPORT_SOURCE_DIR "/tests/data/" + path; }

// The lines of the text file tests/data/<path>, comment lines (starting with '#')
// left out, with \xNN standing for the byte NN.
inline std::vector<std::string> DataLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(DataPath(path), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind('#', 0) == 0) continue;
        for (std::size_t k = line.find("\\x"); k != std::string::npos; k = line.find("\\x", k + 1))
            line.replace(k, 4, 1, static_cast<char>(std::stoi(line.substr(k + 2, 2), nullptr, 16)));
        lines.push_back(line);
    }
    if (lines.empty()) throw std::runtime_error("no test data in " + path);
    return lines;
}

// The bytes of a file ("" when it cannot be read).
inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The fields of a data line between the separators.
inline std::vector<std::string> Fields(const std::string& row, const std::string& separator = "\t") {
    std::vector<std::string> fields;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + separator.size())
        fields.push_back(row.substr(start, (end = row.find(separator, start)) - start));
    return fields;
}

// The parsed JSON file tests/data/<path>.
inline kor::Dom LoadData(const std::string& path) {
    const std::string text = ReadText(DataPath(path));
    kor::Dom data;
    std::string error;
    if (text.empty() || !kor::DomReaderJson::FromString(data, text.c_str(), &error))
        throw std::runtime_error("cannot read test data " + DataPath(path) + ": " + error);
    return data;
}

// A number of the data, also given as the strings "NaN", "Infinity", "-Infinity".
inline double Number(const kor::Dom& node) {
    const std::string& text = node.asStringRef();
    if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (text == "Infinity") return std::numeric_limits<double>::infinity();
    if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
    return node.asDouble(0.0);
}

// A position of the data, [x, y, z] (null for an unset one).
inline kor::ShapeExport::Position PositionOf(const kor::Dom& node) {
    return node.isEmpty() ? kor::ShapeExport::Position()
                          : kor::ShapeExport::Position(Number(node[0]), Number(node[1]), Number(node[2]));
}

// The elements of an array node (copies), for range-for.
inline std::vector<kor::Dom> Elements(const kor::Dom& array) {
    std::vector<kor::Dom> elements;
    for (std::size_t i = 0; i < array.size(); ++i) elements.push_back(array[i]);
    return elements;
}

inline std::vector<std::string> Strings(const kor::Dom& array) {
    std::vector<std::string> texts;
    for (const kor::Dom& element : Elements(array)) texts.push_back(element.asString());
    return texts;
}

inline std::string Text(const std::vector<kor::ShapeExport::Vertex>& vertices) {
    std::string text;
    for (const kor::ShapeExport::Vertex& v : vertices)
        text += (text.empty() ? "" : " ") + std::to_string(v.Index()) + (v.Exterior() ? "" : "'");
    return text;
}

inline std::string Text(const kor::ShapeExport::Loop& loop) { return Text(loop.Vertices()); }

template <typename Loops>
std::vector<std::string> Texts(const Loops& loops) {
    std::vector<std::string> texts;
    for (const auto& loop : loops) texts.push_back(Text(loop));
    return texts;
}

inline std::vector<kor::ShapeExport::Vertex> Vertices(const std::string& text) {
    std::vector<kor::ShapeExport::Vertex> vertices;
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        const bool cut = token.back() == '\'';
        vertices.emplace_back(std::stoi(cut ? token.substr(0, token.size() - 1) : token), !cut);
    }
    return vertices;
}

}  // namespace testing_support
