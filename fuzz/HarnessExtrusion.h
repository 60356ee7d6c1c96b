// Bytes as JSON text -> a document (an empty node when it does not parse) ->
// Extrusion::from, EndPlane::from and Position::from on the document and on every
// node inside it. The readers accept any node; what they read is checked where a
// wrong value would go unseen: one section per element of "Sections", one profile
// per element of "Profiles", one position per element of "Points" (reading twice
// appends as many again), and a position written by Position::to reads back with
// the same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/ShapeExport/EndPlane.h>
#include <kor/ShapeExport/Extrusion.h>

#include "HarnessSupport.h"

namespace fuzzing {

namespace extrusion {

// The number of elements of the array under `key` (0 when missing or no array).
inline std::size_t CountAt(const kor::Dom& node, const char* key) {
    return node.has(key) && node[key].isArray() ? node[key].size() : 0;
}

inline void ReadAndCheck(const kor::Dom& node) {
    using namespace kor::ShapeExport;
    Extrusion extrusion;
    Require(extrusion.from(node) && extrusion.from(node), "Extrusion::from returns true");
    const std::size_t sections = CountAt(node, "Sections");
    Require(extrusion.Sections().size() == 2 * sections, "one section per element of Sections, each time");
    for (std::size_t i = 0; i < sections; ++i) {
        const ExtrudedSection& section = extrusion.Sections()[i];
        const kor::Dom& sectionNode = node["Sections"][i];
        Require(section.Profiles().size() == CountAt(sectionNode, "Profiles"), "one profile per element of Profiles");
        for (std::size_t p = 0; p < section.Profiles().size(); ++p)
            Require(section.Profiles()[p].Positions().size() == CountAt(sectionNode["Profiles"][p], "Points"),
                    "one position per element of Points");
    }
    EndPlane plane;
    Require(plane.from(node), "EndPlane::from returns true");

    Position position, back;
    Require(position.from(node), "Position::from returns true");
    kor::Dom written;
    position.to(written);
    back.from(written);
    Require(SameBits(back.X(), position.X()) && SameBits(back.Y(), position.Y()) && SameBits(back.Z(), position.Z()),
            "a written position reads back");
}

}  // namespace extrusion

inline void CheckExtrusion(const std::uint8_t* data, std::size_t size) {
    kor::Dom document;
    kor::DomReaderJson::FromString(document, reinterpret_cast<const char*>(data), size, nullptr);
    std::vector<const kor::Dom*> pending{&document};  // every node, walked without recursion
    while (!pending.empty()) {
        const kor::Dom& node = *pending.back();
        pending.pop_back();
        extrusion::ReadAndCheck(node);
        for (std::size_t i = 0; i < node.size(); ++i) pending.push_back(&node[i]);
        for (const kor::Dom::Member& member : node.objects()) pending.push_back(&member.second);
    }
}

}  // namespace fuzzing
