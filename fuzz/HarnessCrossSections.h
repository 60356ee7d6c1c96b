// Bytes as JSON text -> a cross-section set, through every operation a host uses:
// read from a stream (with a conversion factor for some inputs, twice for some),
// shift onto y = 0, decompose every item, compare with copies
// (structure and convex loops), blend, discard the decomposition, write the
// document and serialise it, dump it as text.
//
// Checks:
//   - every convex-loop index names a position of the array it is read through;
//   - decomposition only appends positions, and records each one it appends;
//   - a copy taken before the decomposition is compatible with the set both by
//     outline and, once it decomposes too, by convex loops (the decomposition
//     depends on the positions and loops alone); so is a copy taken after;
//   - ResetConvexLoops gives every set (the set, its copies, the blends) its
//     length from before the decomposition, and the set its exact positions;
//   - the written document serialises, parses again and reads back into the same
//     positions (NaN stays NaN), with no more items than were written;
//   - decomposing again after the reset (the dump does) gives the same convex loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

#include "HarnessSupport.h"

namespace fuzzing {

namespace cross_sections {

using Points = std::vector<kor::Vec<2, double>>;

// Every convex-loop index of every item names a position of the set.
inline void RequireConvexIndicesInRange(const kor::ShapeExport::CrossSections& set) {
    const std::size_t count = set.Positions().size();
    for (const kor::ShapeExport::CrossSection& item : set.Items())
        for (const kor::ShapeExport::Loop& loop : item.ConvexLoops())
            for (const kor::ShapeExport::Vertex& v : loop.Vertices())
                Require(v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < count,
                        "convex-loop index inside the position array");
}

inline bool SamePositions(const Points& a, const Points& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameNumber(a[i].x(), b[i].x()) || !SameNumber(a[i].y(), b[i].y())) return false;
    return true;
}

}  // namespace cross_sections

inline void CheckCrossSections(const std::uint8_t* data, std::size_t size) {
    using cross_sections::Points;
    using cross_sections::RequireConvexIndicesInRange;
    using cross_sections::SamePositions;
    using kor::ShapeExport::CrossSection;
    using kor::ShapeExport::CrossSections;

    // Some inputs are read with a conversion factor, some twice into the same set
    // (the second batch of items then refers to the first batch's positions).
    CrossSections set(size % 5 == 0 ? 0.001 : 1.0);
    for (int read = size % 4 == 1 ? 2 : 1; read > 0; --read) {
        std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
        set.From(in);
    }
    set.NormalizeVertical();
    const Points plainPositions = set.Positions();
    const std::size_t plainSize = plainPositions.size();
    const CrossSections plain(set);

    // Decompose every item.
    std::size_t added = 0;
    for (CrossSection& item : set.GetItems()) {
        item.GetConvexLoops();
        added += item.AddedVertices().size();
        for (int index : item.AddedVertices())
            Require(index >= 0 && static_cast<std::size_t>(index) >= plainSize &&
                        static_cast<std::size_t>(index) < set.Positions().size(),
                    "added vertex names an appended position");
    }
    RequireConvexIndicesInRange(set);
    const std::size_t decomposedSize = set.Positions().size();
    Require(decomposedSize == plainSize + added, "every appended position recorded once");
    for (std::size_t i = 0; i < plainSize; ++i)
        Require(SameBits(set.Positions()[i].x(), plainPositions[i].x()) &&
                    SameBits(set.Positions()[i].y(), plainPositions[i].y()),
                "decomposition leaves existing positions alone");

    // Compatibility with copies taken before and after the decomposition.
    CrossSections before(plain);
    const CrossSections after(set);
    Require(set.IsCompatible(before, false), "compatible with its copy by outline");
    Require(set.IsCompatible(before, true), "compatible with its copy by convex loops");
    Require(before.Positions().size() == decomposedSize, "the copy decomposes alike");
    Require(set.IsCompatible(after, true) && after.IsCompatible(set, false), "compatible with a decomposed copy");
    RequireConvexIndicesInRange(before);
    RequireConvexIndicesInRange(after);

    // Blends: with the copy (compatible) and with an empty set (compatible only when
    // the set has no items).
    CrossSections blend(set, before, 0.25, size % 2 == 0);
    Require(blend.Positions().size() == decomposedSize, "blend of compatible sets takes every position");
    RequireConvexIndicesInRange(blend);
    const CrossSections empty;
    CrossSections lone(set, empty, 0.5, size % 3 == 0);
    Require(lone.Positions().size() == (set.Items().empty() ? 0 : decomposedSize), "blend with an empty set");
    RequireConvexIndicesInRange(lone);

    // Discarding the decomposition restores the length from before it.
    set.ResetConvexLoops();
    before.ResetConvexLoops();
    blend.ResetConvexLoops();
    lone.ResetConvexLoops();
    Require(SamePositions(set.Positions(), plainPositions), "reset restores the positions");
    for (const CrossSection& item : set.Items())
        Require(item.AddedVertices().empty(), "reset empties the added vertices");
    Require(before.Positions().size() == plainSize, "reset restores the copy's length");
    Require(blend.Positions().size() == plainSize, "reset restores the blend's length");
    Require(lone.Positions().size() == (set.Items().empty() ? 0 : plainSize), "reset restores the lone blend's length");

    // Write, serialise, parse and read back.
    kor::Dom document;
    set.To(document);
    const std::string text = kor::DomWriterJson::ToString(document);
    kor::Dom parsed;
    std::string error;
    Require(kor::DomReaderJson::FromString(parsed, text.data(), text.size(), &error), "written document parses");
    Require(parsed == document, "written document reads back as the same tree");
    CrossSections back;
    back.From(parsed);
    Require(SamePositions(back.Positions(), set.Positions()), "positions read back");
    Require(back.Items().size() <= set.Items().size(), "no more items read back than written");

    // Dump (decomposes again) and compare with the first decomposition.
    std::ostringstream dump;
    set.Dump(dump, size % 2 == 0 ? "" : "-");
    Require(dump.good() && !dump.str().empty(), "the dump is written");
    Require(set.Positions().size() == decomposedSize, "decomposing again appends as much");
    Require(set.IsCompatible(after, true), "decomposing again gives the same convex loops");
    RequireConvexIndicesInRange(set);
}

}  // namespace fuzzing
