// Compact text form of loops for expectations: indices separated by spaces, a
// vertex whose exterior flag is false marked with a trailing apostrophe.
// "8 4' 5 3'" is (8,true) (4,false) (5,true) (3,false).
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <kor/ShapeExport/Loop.h>

namespace testing_support {

inline kor::Vec<2, double> Pt(double x, double y) { return kor::Vec<2, double>(x, y); }

inline std::string Text(const kor::ShapeExport::Loop& loop) {
    std::ostringstream out;
    bool first = true;
    for (const kor::ShapeExport::Vertex& v : loop.Vertices()) {
        if (!first) out << ' ';
        first = false;
        out << v.Index() << (v.Exterior() ? "" : "'");
    }
    return out.str();
}

inline std::vector<std::string> Texts(const std::vector<kor::ShapeExport::Loop>& loops) {
    std::vector<std::string> texts;
    for (const kor::ShapeExport::Loop& loop : loops) texts.push_back(Text(loop));
    return texts;
}

// Appends the vertices of `text` (same notation) to `loop`.
inline void Append(kor::ShapeExport::Loop& loop, const std::string& text) {
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        const bool cut = token.back() == '\'';
        if (cut) token.pop_back();
        loop.AddVertex(std::stoi(token), !cut);
    }
}

}  // namespace testing_support
