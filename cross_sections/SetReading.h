// Internal: the rules by which a document becomes a set, written once for the tree
// readers (Loop::From, CrossSection::From, CrossSections::From(const Dom&)) and for
// the stream reader (SetReader.cpp, which parses the text without a tree).
//
// The document (SetLayout.h) is read value by value in document order: a reader
// walks it and tells a SetBuilder what it finds, with each value converted as the
// document library converts it (asDouble(0.0), asInt(0)); the builder decides what
// is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>

namespace kor {
namespace ShapeExport {
namespace detail {

// An index of a loop entry, asInt(0) of its value kept to the low 32 bits, is
// appended to `vertices` when it names one of `positions` positions.
inline void AddIndex(std::vector<Vertex>& vertices, long long value, std::size_t positions) {
    const int index = static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    if (index >= 0 && static_cast<std::size_t>(index) < positions) vertices.emplace_back(index, true);
}

// The loop that the vertices of `vertices` from `first` on make, the indices read
// having been appended since `before`: a hole's list is stored in reverse, so its
// indices go to the front of the loop, reversed; a closing repeat of the first
// vertex is dropped. True when more than 2 vertices remain.
bool FinishLoop(std::vector<Vertex>& vertices, std::size_t first, std::size_t before, bool exterior);

// The loop entries of one cross section, in document order: an entry with fewer
// than two elements is passed over; an invalid loop makes the cross section invalid
// at once; it is valid with exactly one exterior loop.
class SectionEntries {
public:
    static bool IsLoop(std::size_t elements) { return elements >= 2; }
    // A loop entry was read; false once the cross section is invalid.
    bool Read(bool exterior, bool valid) {
        m_exteriors += exterior ? 1 : 0;
        m_failed = m_failed || !valid;
        return !m_failed;
    }
    bool Valid() const { return !m_failed && m_exteriors == 1; }

private:
    int m_exteriors = 0;
    bool m_failed = false;
};

// A set read from a document. The positions and items read are appended to the
// set's, its parameters replaced, when Finish is called.
class SetBuilder {
public:
    explicit SetBuilder(CrossSections& set);

    // A member of the document object: whether its value is to be read as the
    // outlines (the first "Outlines"; the first "outlines" while there is none, which
    // a later "Outlines" replaces) or as the parameters (the first "Params").
    bool TakesOutlines(const std::string& key);
    bool TakesParams(const std::string& key);

    // The outlines: element 0 the points (BeginPoints when it is an array), element 1
    // the cross sections.
    void BeginPoints() { m_pointList = true; }
    // A point of `elements` elements, x and y its first two (0.0 when missing).
    void Point(std::size_t elements, double x, double y) {
        if (elements < 2) return;
        if (m_points.empty() || m_points.back().size() == kPointBlock) {
            m_points.emplace_back();
            m_points.back().reserve(kPointBlock);
        }
        m_points.back().emplace_back(x, y);
        ++m_positions;
    }
    // The index list of the current loop entry, value by value.
    void Index(long long value) { AddIndex(m_vertices, value, m_positions); }
    // The end of a loop entry of `elements` elements, `exterior` the flag at 1.
    void EndEntry(std::size_t elements, bool exterior);
    // The end of a cross section's list of loop entries.
    void EndSection();
    // The end of the outlines, of `elements` elements (only the points: one item over
    // them all).
    void EndOutlines(std::size_t elements) { m_fill = elements == 1; }

    // A member of the "Params" object.
    void Parameter(std::string key, double value) { m_parameters.emplace_back(std::move(key), value); }

    // Forgets everything read (the reader starts again).
    void Reset();
    // What was read: whether the outlines began with a point list, and how many
    // cross sections they listed (a point list alone counts as one) and dropped.
    bool HasPointList() const { return m_pointList; }
    std::size_t Sections() const { return m_fill ? 1 : m_sectionCount; }
    std::size_t Dropped() const { return m_fill ? 0 : m_sectionCount - m_sections.size(); }
    // Gives the set what was read.
    void Finish();

private:
    struct LoopSpan {
        std::size_t begin, end;  // in m_vertices
        bool exterior;
    };

    void DropOutlines();

    // Points are gathered in blocks that never move and are small enough to come
    // from memory the heap holds already; the set's array is allocated once, at the end.
    static constexpr std::size_t kPointBlock = 4096;

    CrossSections& m_set;
    const std::size_t m_positionsBefore;
    bool m_upperOutlines = false, m_lowerOutlines = false, m_params = false;
    bool m_fill = false;
    bool m_pointList = false;
    std::size_t m_sectionCount = 0;
    std::vector<std::vector<kor::Vec<2, double>>> m_points;
    std::size_t m_positions;  // the set's and those read
    // The loops of the cross sections kept, and where each section's loops begin;
    // the items are made at the end, all at once.
    std::vector<Vertex> m_vertices;
    std::vector<LoopSpan> m_loops;
    std::vector<std::size_t> m_sections;
    // The current cross section: where its loops and its current entry begin.
    std::size_t m_sectionLoops = 0, m_sectionVertices = 0, m_entryVertices = 0;
    SectionEntries m_entries;
    std::vector<std::pair<std::string, double>> m_parameters;
};

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
