// Bytes as the text of a stream -> CrossSections::From(std::istream&), which reads
// the text straight into the set, against the plain path: the whole text in one
// buffer, DomReaderJson::FromString, CrossSections::From(const kor::Dom&).
//
// Both read into an empty set with factor 1 and into a set with factor 0.001 that
// already holds positions, an item and parameters. The sets must agree bit for bit:
// positions, box, items (every loop's vertices and flags, and the position array
// each item and loop refers to) and parameters; so must the streams' states.
// The set is then written by CrossSections::Write and, through To, by
// DomWriterJson, in several layouts: the same text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

#include "HarnessSupport.h"

namespace fuzzing {

namespace set_reader {

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using kor::ShapeExport::Loop;

// The plain path, as CrossSections::From(std::istream&) read streams before it
// had a reader of its own.
inline void ReadThroughTree(CrossSections& set, std::istream& in) {
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length <= 0 || !in) return;
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(length) + 1]);
    in.read(buffer.get(), static_cast<std::streamsize>(length));
    buffer[static_cast<std::size_t>(in.gcount())] = '\0';
    kor::Dom document;
    kor::DomReaderJson::FromString(document, buffer.get(), nullptr);
    set.From(document);
}

inline bool SameLoop(const Loop& a, const Loop& b, const CrossSections& setA, const CrossSections& setB) {
    if (&a.Positions() != &setA.Positions() || &b.Positions() != &setB.Positions()) return false;
    if (a.Vertices().size() != b.Vertices().size()) return false;
    for (std::size_t k = 0; k < a.Vertices().size(); ++k)
        if (a.Vertices()[k] != b.Vertices()[k] || a.Vertices()[k].Exterior() != b.Vertices()[k].Exterior())
            return false;
    return true;
}

// What differs between two sets ("" when nothing does).
inline std::string Difference(const CrossSections& a, const CrossSections& b) {
    if (a.Positions().size() != b.Positions().size()) return "position count";
    for (std::size_t i = 0; i < a.Positions().size(); ++i)
        if (!SameBits(a.Positions()[i].x(), b.Positions()[i].x()) ||
            !SameBits(a.Positions()[i].y(), b.Positions()[i].y()))
            return "position " + std::to_string(i);
    for (std::size_t axis = 0; axis < 2; ++axis)
        if (!SameBits(a.BBox().min[axis], b.BBox().min[axis]) || !SameBits(a.BBox().max[axis], b.BBox().max[axis]))
            return "box";
    if (a.Items().size() != b.Items().size()) return "item count";
    for (std::size_t i = 0; i < a.Items().size(); ++i) {
        const CrossSection& p = a.Items()[i];
        const CrossSection& q = b.Items()[i];
        bool same = &p.Positions() == &a.Positions() && &q.Positions() == &b.Positions() &&
                    SameLoop(p.ExteriorLoop(), q.ExteriorLoop(), a, b) &&
                    p.InteriorLoops().size() == q.InteriorLoops().size() && p.AddedVertices().empty() &&
                    q.AddedVertices().empty();
        for (std::size_t l = 0; same && l < p.InteriorLoops().size(); ++l)
            same = SameLoop(p.InteriorLoops()[l], q.InteriorLoops()[l], a, b);
        if (!same) return "item " + std::to_string(i);
    }
    if (a.Parameters().size() != b.Parameters().size()) return "parameter count";
    for (auto p = a.Parameters().begin(), q = b.Parameters().begin(); p != a.Parameters().end(); ++p, ++q)
        if (p->first != q->first || !SameBits(p->second, q->second)) return "parameter " + p->first;
    return "";
}

// The set written straight and through the document tree, in several layouts.
inline std::string WriteDifference(const CrossSections& set) {
    kor::Dom document;
    set.To(document);
    const std::pair<int, bool> layouts[] = {{-1, false}, {0, false}, {2, false}, {2, true}, {5, true}};
    for (const auto& [indent, flat] : layouts) {
        std::ostringstream out;
        set.Write(out, indent, flat);
        if (out.str() != kor::DomWriterJson::ToString(document, indent, flat))
            return "written text, indent " + std::to_string(indent) + (flat ? ", flat arrays" : "");
    }
    return "";
}

}  // namespace set_reader

// What differs between the two paths for `text` ("" when nothing does).
inline std::string SetReaderDifference(const std::string& text) {
    using set_reader::CrossSections;
    for (int variant = 0; variant < 2; ++variant) {
        CrossSections direct(variant ? 0.001 : 1.0), plain(variant ? 0.001 : 1.0);
        if (variant) {
            kor::Dom held;
            kor::DomReaderJson::FromString(held, R"({"Outlines": [[[1,2],[3,4],[5,7]]], "Params": {"p": 1}})", nullptr);
            direct.From(held);
            plain.From(held);
        }
        std::istringstream directIn(text), plainIn(text);
        direct.From(directIn);
        set_reader::ReadThroughTree(plain, plainIn);
        std::string difference = set_reader::Difference(direct, plain);
        if (difference.empty()) difference = set_reader::WriteDifference(direct);
        if (!difference.empty()) return difference + (variant ? " (factor 0.001, set not empty)" : "");
        if (directIn.rdstate() != plainIn.rdstate() || directIn.tellg() != plainIn.tellg()) return "stream state";
    }
    return "";
}

inline void CheckSetReader(const std::uint8_t* data, std::size_t size) {
    const std::string difference = SetReaderDifference(std::string(reinterpret_cast<const char*>(data), size));
    Require(difference.empty(), ("the direct reader and the tree agree: " + difference).c_str());
}

}  // namespace fuzzing
