// Bytes as JSON text -> a document (an empty node when it does not parse) ->
// Extrusion::from and EndPlane::from on the document and on every node inside it.
//
// What was read is checked against the document itself: one section per element of
// "Sections" (when it is an array), the exterior flag from "Exterior" (asBool, true
// when missing), one profile per element of "Profiles", one position per element of
// "Points", each component asDouble of its element or +infinity when missing (same
// bits); the end plane's start flag only from a boolean "Start", origin and normal
// as positions, skew asDouble of "Skew". Reading a second time appends the same
// sections again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/ShapeExport/EndPlane.h>
#include <kor/ShapeExport/Extrusion.h>

#include "HarnessSupport.h"

namespace fuzzing {

namespace extrusion {

using kor::Dom;
using kor::ShapeExport::EndPlane;
using kor::ShapeExport::ExtrudedSection;
using kor::ShapeExport::Extrusion;
using kor::ShapeExport::Position;
using kor::ShapeExport::Profile;

constexpr double kUnset = std::numeric_limits<double>::infinity();

// The array under `key`, or nullptr when the key is missing or holds no array.
inline const Dom* ArrayAt(const Dom& node, const char* key) {
    if (!node.has(key)) return nullptr;
    const Dom& value = node[key];
    return value.isArray() ? &value : nullptr;
}

inline void RequirePosition(const Position& p, const Dom& node) {
    const std::size_t n = node.size();
    Require(SameBits(p.X(), n >= 1 ? node[0].asDouble(0.0) : kUnset), "position x");
    Require(SameBits(p.Y(), n >= 2 ? node[1].asDouble(0.0) : kUnset), "position y");
    Require(SameBits(p.Z(), n >= 3 ? node[2].asDouble(0.0) : kUnset), "position z");
}

inline void RequireProfile(const Profile& profile, const Dom& node) {
    const Dom* points = ArrayAt(node, "Points");
    const std::size_t n = points ? points->size() : 0;
    Require(profile.Positions().size() == n, "one position per element of Points");
    for (std::size_t i = 0; i < n; ++i) RequirePosition(profile.Positions()[i], (*points)[i]);
}

inline void RequireSection(const ExtrudedSection& section, const Dom& node) {
    Require(section.Exterior() == (node.has("Exterior") ? node["Exterior"].asBool(false) : true), "exterior flag");
    const Dom* profiles = ArrayAt(node, "Profiles");
    const std::size_t n = profiles ? profiles->size() : 0;
    Require(section.Profiles().size() == n, "one profile per element of Profiles");
    for (std::size_t i = 0; i < n; ++i) RequireProfile(section.Profiles()[i], (*profiles)[i]);
}

// The sections from `first` on were read from `node`.
inline void RequireSections(const Extrusion& extrusion, std::size_t first, const Dom& node) {
    const Dom* sections = ArrayAt(node, "Sections");
    const std::size_t n = sections ? sections->size() : 0;
    Require(extrusion.Sections().size() == first + n, "one section per element of Sections");
    for (std::size_t i = 0; i < n; ++i) RequireSection(extrusion.Sections()[first + i], (*sections)[i]);
}

inline void RequireEndPlane(const EndPlane& plane, const Dom& node) {
    const bool start = node.has("Start") && node["Start"].isBool() ? node["Start"].asBool(false) : true;
    Require(plane.IsStart() == start, "start flag only from a boolean");
    const Dom unsetNode;  // no elements: every component unset
    RequirePosition(plane.Origin(), node.has("Origin") ? node["Origin"] : unsetNode);
    RequirePosition(plane.Normal(), node.has("Normal") ? node["Normal"] : unsetNode);
    Require(SameBits(plane.Skew(), node.has("Skew") ? node["Skew"].asDouble(0.0) : 0.0), "skew");
}

inline void ReadAndCheck(const Dom& node, bool twice) {
    Extrusion extrusion;
    Require(extrusion.from(node), "Extrusion::from returns true");
    RequireSections(extrusion, 0, node);
    if (twice) {
        const std::size_t first = extrusion.Sections().size();
        Require(extrusion.from(node), "Extrusion::from returns true");
        RequireSections(extrusion, first, node);
    }

    EndPlane plane;
    Require(plane.from(node), "EndPlane::from returns true");
    RequireEndPlane(plane, node);

    Position position;
    Require(position.from(node), "Position::from returns true");
    RequirePosition(position, node);
    Dom written;
    position.to(written);
    Require(written.size() == 3 && SameBits(written[0].asDouble(0.0), position.X()) &&
                SameBits(written[1].asDouble(0.0), position.Y()) && SameBits(written[2].asDouble(0.0), position.Z()),
            "Position::to writes the three components");
}

}  // namespace extrusion

inline void CheckExtrusion(const std::uint8_t* data, std::size_t size) {
    kor::Dom document;
    kor::DomReaderJson::FromString(document, reinterpret_cast<const char*>(data), size, nullptr);
    extrusion::ReadAndCheck(document, true);

    // Every node inside the document, walked without recursion.
    std::vector<const kor::Dom*> pending;
    auto pushChildren = [&pending](const kor::Dom& node) {
        for (std::size_t i = 0; i < node.size(); ++i) pending.push_back(&node[i]);
        for (const kor::Dom::Member& member : node.objects()) pending.push_back(&member.second);
    };
    pushChildren(document);
    while (!pending.empty()) {
        const kor::Dom& node = *pending.back();
        pending.pop_back();
        extrusion::ReadAndCheck(node, false);
        pushChildren(node);
    }
}

}  // namespace fuzzing
