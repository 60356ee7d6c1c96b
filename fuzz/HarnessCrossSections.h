// Bytes as JSON text -> a cross-section set, read two ways and taken through every
// operation a host uses. The set reader tests feed it documents of their own too.
//
// The two ways of reading: CrossSections::From(std::istream&), which reads the text
// straight into the set, against the plain path (the whole text in one buffer,
// DomReaderJson::FromString, CrossSections::From(const kor::Dom&)); both into an
// empty set with factor 1 and into a set with factor 0.001 that already holds
// positions, an item and parameters. The sets agree bit for bit (positions, box,
// items with every loop's vertices, flags and position array, parameters), and so
// do the streams' states; CrossSections::Write writes what DomWriterJson writes of
// CrossSections::To, in several layouts.
//
// The operations, on the set read (with factor 0.001 for some inputs, twice for
// some, shifted onto y = 0): every item decomposed, which only appends positions
// and records each; copies taken before and after are compatible by outline and by
// convex loops; blends with a copy and with an empty set; ResetConvexLoops restores
// every set's length and the set's positions; the written set reads back with the
// same positions; decomposing again (the dump does) gives the same convex loops.
// Every convex-loop index names a position of its set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// What differs between two sets ("" when nothing does): positions and box bit for
// bit, every item and loop on its own set's positions without added vertices, and
// the rest (items, loops, flags, parameters) as the written text.
inline std::string Difference(const CrossSections& a, const CrossSections& b) {
    if (!SameBits(a.Positions(), b.Positions())) return "positions";
    if (std::memcmp(&a.BBox(), &b.BBox(), sizeof a.BBox()) != 0) return "box";
    for (const CrossSections* set : {&a, &b})
        for (const CrossSection& item : set->Items()) {
            bool bound = &item.Positions() == &set->Positions() &&
                         &item.ExteriorLoop().Positions() == &set->Positions() && item.AddedVertices().empty();
            for (const Loop& hole : item.InteriorLoops()) bound = bound && &hole.Positions() == &set->Positions();
            if (!bound) return "an item off its set's positions";
        }
    std::ostringstream textA, textB;
    a.Write(textA);
    b.Write(textB);
    return textA.str() == textB.str() ? "" : "items or parameters";
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

// Every convex-loop index of every item names a position of the set.
inline bool ConvexIndicesInRange(const kor::ShapeExport::CrossSections& set) {
    for (const kor::ShapeExport::CrossSection& item : set.Items())
        for (const kor::ShapeExport::Loop& loop : item.ConvexLoops())
            for (const kor::ShapeExport::Vertex& v : loop.Vertices())
                if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= set.Positions().size()) return false;
    return true;
}

// Equal positions, NaN equal to NaN (a written NaN keeps neither sign nor payload).
inline bool SameNumbers(const std::vector<kor::Vec<2, double>>& a, const std::vector<kor::Vec<2, double>>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameNumber(a[i].x(), b[i].x()) || !SameNumber(a[i].y(), b[i].y())) return false;
    return true;
}

inline void CheckCrossSections(const std::uint8_t* data, std::size_t size) {
    using kor::ShapeExport::CrossSection;
    using kor::ShapeExport::CrossSections;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string difference = SetReaderDifference(text);
    Require(difference.empty(), ("the direct reader and the tree agree: " + difference).c_str());

    CrossSections set(size % 5 == 0 ? 0.001 : 1.0);
    for (int read = size % 4 == 1 ? 2 : 1; read > 0; --read) {  // the second batch names the first's positions
        std::istringstream in(text);
        set.From(in);
    }
    set.NormalizeVertical();
    const std::vector<kor::Vec<2, double>> plainPositions = set.Positions();
    const std::size_t plainSize = plainPositions.size();
    CrossSections before(set);

    std::size_t added = 0;
    for (CrossSection& item : set.GetItems()) {
        item.GetConvexLoops();
        added += item.AddedVertices().size();
        for (int index : item.AddedVertices())
            Require(static_cast<std::size_t>(index) >= plainSize &&
                        static_cast<std::size_t>(index) < set.Positions().size(),
                    "an added vertex names an appended position");
    }
    const std::size_t decomposedSize = set.Positions().size();
    Require(decomposedSize == plainSize + added, "every appended position recorded once");
    Require(SameBits(std::vector<kor::Vec<2, double>>(set.Positions().begin(), set.Positions().begin() + plainSize),
                     plainPositions),
            "decomposition leaves existing positions alone");

    const CrossSections after(set);
    Require(set.IsCompatible(before, false) && set.IsCompatible(before, true), "compatible with a copy taken before");
    Require(before.Positions().size() == decomposedSize, "the copy decomposes alike");
    Require(set.IsCompatible(after, true) && after.IsCompatible(set, false), "compatible with a copy taken after");
    CrossSections blend(set, before, 0.25, size % 2 == 0), lone(set, CrossSections(), 0.5, size % 3 == 0);
    Require(blend.Positions().size() == decomposedSize, "a blend of compatible sets takes every position");
    Require(lone.Positions().size() == (set.Items().empty() ? 0 : decomposedSize), "a blend with an empty set");
    for (const CrossSections* each : std::initializer_list<const CrossSections*>{&set, &before, &after, &blend, &lone})
        Require(ConvexIndicesInRange(*each), "convex-loop indices inside the positions");

    for (CrossSections* each : {&set, &before, &blend}) {
        each->ResetConvexLoops();
        Require(each->Positions().size() == plainSize, "reset restores the length");
    }
    lone.ResetConvexLoops();
    Require(lone.Positions().size() == (set.Items().empty() ? 0 : plainSize), "reset restores the lone blend");
    Require(SameNumbers(set.Positions(), plainPositions), "reset restores the positions");
    for (const CrossSection& item : set.Items()) Require(item.AddedVertices().empty(), "reset empties added vertices");

    std::stringstream written;
    set.Write(written);
    CrossSections back;
    back.From(written);
    Require(SameNumbers(back.Positions(), set.Positions()), "the written set reads back");
    Require(back.Items().size() <= set.Items().size(), "no more items read back than written");

    std::ostringstream dump;
    set.Dump(dump, size % 2 == 0 ? "" : "-");  // decomposes again
    Require(set.Positions().size() == decomposedSize && set.IsCompatible(after, true),
            "decomposing again gives the same convex loops");
}

}  // namespace fuzzing
