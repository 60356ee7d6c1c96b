#include <kor/ShapeExport/CrossSection.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>

#include <kor/Dom.h>

#include "Decomposition.h"
#include "DomOut.h"
#include "Parallel.h"
#include "SetLayout.h"
#include "SetReading.h"

namespace kor {
namespace ShapeExport {

namespace {

using PointArray = std::vector<kor::Vec<2, double>>;

// Loop-by-loop assignment: loops the target already has are assigned (and keep
// their own arrays), new ones are copy-constructed, surplus ones destroyed.
// (A plain vector assignment would copy-construct every loop when it reallocates.)
void AssignLoops(std::vector<Loop>& target, const std::vector<Loop>& source) {
    const std::size_t common = std::min(target.size(), source.size());
    for (std::size_t i = 0; i < common; ++i) target[i] = source[i];
    if (target.size() > source.size()) {
        target.erase(target.begin() + static_cast<std::ptrdiff_t>(source.size()), target.end());
    } else {
        target.reserve(source.size());
        for (std::size_t i = common; i < source.size(); ++i) target.push_back(source[i]);
    }
}

bool IndicesBelow(const Loop& loop, std::size_t limit) {
    return std::all_of(loop.Vertices().begin(), loop.Vertices().end(), [limit](const Vertex& v) {
        return v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < limit;
    });
}

// The list position of the leftmost vertex as the loop itself finds it (through its
// own array, honouring its cache), leaving the loop as it is.
int LeftMostOf(const Loop& loop) { return Loop(loop).LeftMostVertex(); }

// The convex list as the decomposition steps take it: every entry's vertices and,
// for hole removal, the leftmost vertex of the entries after the first (which fills
// their caches, as asking each entry does); `origin` is the entry's place.
detail::WorkingList WorkingListOf(std::vector<Loop>& convex, bool forHoleRemoval) {
    detail::WorkingList list;
    for (std::size_t i = 0; i < convex.size(); ++i)
        list.Add(convex[i].Vertices(), forHoleRemoval && i > 0 ? convex[i].LeftMostVertex() : -1, static_cast<int>(i));
    return list;
}

// Appends the points a decomposition created to the array and their indices to
// `added`.
void AppendPoints(PointArray& positions, std::vector<int>& added, const std::vector<kor::Vec<2, double>>& points) {
    for (const kor::Vec<2, double>& p : points) {
        added.push_back(static_cast<int>(positions.size()));
        positions.push_back(p);
    }
}

}  // namespace

std::vector<kor::Vec<2, double>> CrossSection::m_emptyPositions;

CrossSection::CrossSection() : m_positions(&m_emptyPositions) {}

CrossSection::CrossSection(PointArray& positions, bool fill) : m_exterior(positions, fill), m_positions(&positions) {}

CrossSection::CrossSection(const CrossSection& other)
    : m_exterior(other.m_exterior),
      m_interiors(other.m_interiors),
      m_convex(other.m_convex),
      m_positions(other.m_positions),
      m_added(other.m_added) {}

CrossSection::CrossSection(const CrossSection& other, PointArray& positions)
    : CrossSection(other, positions, other.ConvexLoops()) {}  // a plain `other` is decomposed first

CrossSection::CrossSection(const CrossSection& other, PointArray& positions, const std::vector<Loop>& convex)
    : m_exterior(other.m_exterior, positions), m_positions(&positions), m_added(other.m_added) {
    m_interiors.reserve(other.m_interiors.size());
    for (const Loop& loop : other.m_interiors) m_interiors.emplace_back(loop, positions);
    m_convex.reserve(convex.size());
    for (const Loop& loop : convex) m_convex.emplace_back(loop, positions);
}

CrossSection& CrossSection::operator=(const CrossSection& other) {
    m_exterior = other.m_exterior;
    if (this != &other) {
        AssignLoops(m_interiors, other.m_interiors);
        AssignLoops(m_convex, other.m_convex);
    }
    return *this;
}

CrossSection::~CrossSection() = default;

std::vector<Loop>& CrossSection::GetConvexLoops() {
    ComputeConvexLoops();
    return m_convex;
}

const std::vector<Loop>& CrossSection::ConvexLoops() const {
    ComputeConvexLoops();
    return m_convex;
}

void CrossSection::ComputeConvexLoops() const {
    if (!m_convex.empty() || m_exterior.Vertices().empty()) return;
    if (!IndicesInRange(m_positions->size())) {
        // Loops naming positions that do not exist are handed back as they are:
        // the decomposition reads the point of every vertex.
        m_convex.push_back(m_exterior);
        m_convex.insert(m_convex.end(), m_interiors.begin(), m_interiors.end());
        return;
    }
    Apply(Decompose(), m_positions->size(), 0);
}

detail::Decomposition CrossSection::Decompose() const {
    std::vector<detail::Hole> holes;
    holes.reserve(m_interiors.size());
    for (const Loop& loop : m_interiors) holes.push_back(detail::Hole{&loop.Vertices(), LeftMostOf(loop)});
    return detail::Decompose(*m_positions, m_exterior.Vertices(), holes);
}

void CrossSection::Apply(detail::Decomposition&& result, std::size_t base, std::size_t shift) const {
    // The remains of the outline and the holes not spliced keep their loops' arrays;
    // the pieces are bound to this cross section's array.
    std::vector<Loop> convex;
    convex.reserve(result.list.Size());
    for (std::size_t i = 0; i < result.list.Size(); ++i) {
        detail::VertexList& vertices = result.list.loops[i];
        if (shift != 0)
            for (Vertex& v : vertices)
                if (static_cast<std::size_t>(v.Index()) >= base)
                    v = Vertex(v.Index() + static_cast<int>(shift), v.Exterior());
        const int origin = result.list.origin[i];
        const PointArray& array = origin == detail::WorkingList::kOutline ? m_exterior.Positions()
                                  : origin >= 0 ? m_interiors[static_cast<std::size_t>(origin)].Positions()
                                                : *m_positions;
        convex.emplace_back(array, std::move(vertices));
    }
    AppendPoints(*m_positions, m_added, result.added);
    m_convex.swap(convex);
}

void CrossSection::DecomposeAll(std::vector<CrossSection>& items, PointArray& positions, unsigned threads) {
    // The items that can be decomposed independently: plain, on this array, and
    // naming only positions that are there before any item appends to it.
    const std::size_t base = positions.size();
    std::vector<std::size_t> independent;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const CrossSection& item = items[i];
        if (item.m_convex.empty() && !item.m_exterior.Vertices().empty() && item.m_positions == &positions &&
            item.IndicesInRange(base))
            independent.push_back(i);
    }
    std::vector<detail::Decomposition> results(independent.size());
    detail::ForEachIndex(independent.size(), threads,
                         [&](std::size_t j) { results[j] = items[independent[j]].Decompose(); });

    // In item order, as one decomposition after the other would append the points.
    std::size_t next = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (next < independent.size() && independent[next] == i) {
            detail::Decomposition& result = results[next++];
            const std::size_t shift = positions.size() - base;
            // The guard "no more loops than positions" saw `base` positions; with more
            // it might not have stopped, so such an item is decomposed again.
            if (shift != 0 && result.limitedByPositions)
                items[i].ComputeConvexLoops();
            else
                items[i].Apply(std::move(result), base, shift);
        } else {
            items[i].ComputeConvexLoops();
        }
    }
}

Loop& CrossSection::AddInteriorLoop() {
    m_interiors.emplace_back(*m_positions, false);
    return m_interiors.back();
}

Loop& CrossSection::AddConvexLoop() const {
    m_convex.emplace_back(*m_positions, false);
    return m_convex.back();
}

void CrossSection::ResetConvexLoops(std::set<int>& removed) {
    m_convex.clear();
    removed.insert(m_added.begin(), m_added.end());
    m_added.clear();
}

kor::BBox<2, double> CrossSection::BBox() const {
    kor::BBox<2, double> box = m_exterior.BBox();
    for (const Loop& loop : m_interiors) box.Extend(loop.BBox());
    return box;
}

bool CrossSection::IndicesInRange(std::size_t count) const {
    auto fits = [count](const Loop& loop) { return IndicesBelow(loop, std::min(count, loop.Positions().size())); };
    return fits(m_exterior) && std::all_of(m_interiors.begin(), m_interiors.end(), fits);
}

// ---- The decomposition one step at a time ----

bool CrossSection::RemoveHole() const {
    detail::WorkingList list = WorkingListOf(m_convex, true);
    detail::Points points(*m_positions);
    if (!detail::RemoveHole(list, points)) return false;
    // Entry 0 took a hole's vertices; that hole's entry is gone from the list.
    m_convex[0] = Loop(*m_positions, std::move(list.loops[0]));
    std::size_t spliced = 1;
    while (spliced < list.Size() && list.origin[spliced] == static_cast<int>(spliced)) ++spliced;
    m_convex.erase(m_convex.begin() + static_cast<std::ptrdiff_t>(spliced));
    AppendPoints(*m_positions, m_added, points.Added());
    return true;
}

void CrossSection::RemoveHoles() const {
    while (RemoveHole()) {}
}

bool CrossSection::BuildConvexLoop(std::size_t index) const {
    if (index >= m_convex.size()) return true;
    const detail::Points points(*m_positions);
    if (m_convex.size() >= points.Size()) return true;  // never more loops than positions
    detail::VertexList rest = m_convex[index].Vertices();
    detail::VertexList piece;
    if (!detail::CutPiece(rest, points, piece)) return true;
    m_convex[index] = Loop(*m_positions, std::move(rest));
    m_convex.emplace_back(*m_positions, std::move(piece));
    return false;
}

void CrossSection::BuildConvexLoops() const {
    detail::WorkingList list = WorkingListOf(m_convex, false);
    const std::size_t before = list.Size();
    bool limited = false;
    detail::CutPieces(list, detail::Points(*m_positions), limited);
    for (std::size_t i = 0; i < before; ++i) m_convex[i] = Loop(*m_positions, std::move(list.loops[i]));
    for (std::size_t i = before; i < list.Size(); ++i) m_convex.emplace_back(*m_positions, std::move(list.loops[i]));
}

int CrossSection::Modulo(int value, int count) const { return count > 0 ? detail::Modulo(value, count) : 0; }

// ---- Document form, compatibility, dump ----

bool CrossSection::From(const kor::Dom& entry) {
    detail::SectionEntries entries;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        const kor::Dom& element = entry[i];
        if (!detail::SectionEntries::IsLoop(element.size())) continue;
        const bool exterior = element[1].asBool(false);
        Loop& loop = exterior ? m_exterior : AddInteriorLoop();
        if (!entries.Read(exterior, loop.From(element[0], exterior))) return false;
    }
    return entries.Valid();
}

void CrossSection::To(kor::Dom& entries) const {
    kor::detail::DomOut out(entries, true);
    detail::WriteEntries(out, *this);
}

bool CrossSection::IsCompatible(const CrossSection& other, bool convex) const {
    auto alike = [](const std::vector<Loop>& a, const std::vector<Loop>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const Loop& x, const Loop& y) { return x.IsCompatible(y); });
    };
    if (convex) {
        const std::vector<Loop>& mine = ConvexLoops();
        return alike(mine, other.ConvexLoops());
    }
    return m_interiors.size() == other.m_interiors.size() && m_exterior.IsCompatible(other.m_exterior) &&
           alike(m_interiors, other.m_interiors);
}

void CrossSection::Dump(std::ofstream& out, const char* prefix) const { Dump(static_cast<std::ostream&>(out), prefix); }

void CrossSection::Dump(std::ostream& out, const char* prefix) const {
    const std::string p(prefix);
    const std::string nested = p + "        " + p + "    ";
    out << p << "Cross Section:\n";
    out << p << "    Exterior Loop:\n";
    m_exterior.Dump(out, (p + "        ").c_str());
    out << p << "    Interior Loops:\n";
    for (const Loop& loop : m_interiors) {
        out << p << "        Loop:\n";
        loop.Dump(out, nested.c_str());
    }
    out << p << "    Convex Loops:\n";
    for (const Loop& loop : ConvexLoops()) {
        out << p << "        Loop:\n";
        loop.Dump(out, nested.c_str());
    }
}

}  // namespace ShapeExport
}  // namespace kor
