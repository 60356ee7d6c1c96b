#include <kor/ShapeExport/CrossSections.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <fstream>
#include <istream>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include <kor/Dom.h>

#include "DomOut.h"
#include "JsonEmitter.h"
#include "SetLayout.h"
#include "SetReader.h"
#include "SetReading.h"

namespace kor {
namespace ShapeExport {

namespace {

using Point = kor::Vec<2, double>;

bool Inside(int index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

// Whether the convex loops of a blended item name only positions that are blends
// of corresponding positions: below the blend's size, and in both sets either an
// ordinary position or a bridge point of this very item (same added vertices).
bool NamesCorrespondingPositions(const CrossSection& fromA, const CrossSection& fromB, const std::set<int>& bridgesOfB,
                                 std::size_t size) {
    if (fromA.AddedVertices() != fromB.AddedVertices()) return false;
    const std::set<int> bridges(fromA.AddedVertices().begin(), fromA.AddedVertices().end());
    for (int index : bridges)
        if (!Inside(index, size)) return false;
    for (const Loop& loop : fromA.ConvexLoops())
        for (const Vertex& v : loop.Vertices())
            if (!Inside(v.Index(), size) || (bridges.count(v.Index()) == 0 && bridgesOfB.count(v.Index()) != 0))
                return false;
    return true;
}

}  // namespace

CrossSections::CrossSections(double conversionFactor) : m_conversionFactor(conversionFactor) {}

CrossSections::CrossSections(const std::vector<Point>& positions, bool fill)
    : m_positions(positions), m_conversionFactor(1.0) {
    m_items.emplace_back(m_positions, fill);
    InitBBox();
}

CrossSections::CrossSections(const CrossSections& other)
    : m_positions(other.m_positions),
      m_conversionFactor(other.m_conversionFactor),
      m_box(other.m_box),
      m_parameters(other.m_parameters) {
    CopyItems(other.m_items);
}

CrossSections::CrossSections(CrossSections&& other)
    : m_positions(std::move(other.m_positions)),
      m_conversionFactor(other.m_conversionFactor),
      m_box(other.m_box),
      m_parameters(std::move(other.m_parameters)) {
    CopyItems(other.m_items);
    other.m_positions.clear();
    other.m_items.clear();
    other.m_parameters.clear();
}

CrossSections& CrossSections::operator=(const CrossSections& other) {
    if (this != &other) {
        m_positions = other.m_positions;
        CopyItems(other.m_items);
        m_parameters = other.m_parameters;
    }
    m_conversionFactor = other.m_conversionFactor;
    m_box = other.m_box;
    return *this;
}

CrossSections& CrossSections::operator=(CrossSections&& other) {
    if (this != &other) {
        m_positions = std::move(other.m_positions);
        CopyItems(other.m_items);
        other.m_positions.clear();
        other.m_items.clear();
        m_parameters.clear();
        m_parameters.swap(other.m_parameters);
    }
    m_conversionFactor = other.m_conversionFactor;
    m_box = other.m_box;
    return *this;
}

CrossSections::~CrossSections() = default;

void CrossSections::CopyItems(const std::vector<CrossSection>& items) {
    std::vector<CrossSection> copies;
    copies.reserve(items.size());
    for (const CrossSection& item : items) copies.push_back(CrossSection(item, m_positions, item.m_convex));
    m_items.swap(copies);
}

void CrossSections::InitBBox() {
    for (const Point& p : m_positions) m_box.Extend(p);
}

void CrossSections::TransformPositions(const double (&m)[3][3]) {
    m_box.Clear();
    for (Point& p : m_positions) {
        const double x = p.x();
        const double y = p.y();
        const double u = x * m[0][0] + y * m[1][0] + m[2][0];
        const double v = x * m[0][1] + y * m[1][1] + m[2][1];
        const double w = x * m[0][2] + y * m[1][2] + m[2][2];
        p = Point(u / w, v / w);
        m_box.Extend(p);
    }
}

void CrossSections::ConvertPositions(double factor) {
    if (factor == 1.0 || std::isnan(factor)) return;
    const double m[3][3] = {{factor, 0.0, 0.0}, {0.0, factor, 0.0}, {0.0, 0.0, 1.0}};
    TransformPositions(m);
}

void CrossSections::NormalizeVertical() {
    InitBBox();
    const double lowest = m_box.min.y();
    if (!(lowest * lowest > 1e-8)) return;
    for (std::size_t axis = 0; axis < 2; ++axis)
        if (!(m_box.max[axis] >= m_box.min[axis])) return;
    const double m[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, -lowest, 1.0}};
    TransformPositions(m);
}

void CrossSections::ResetConvexLoops() {
    std::set<int> removed;
    for (CrossSection& item : m_items) item.ResetConvexLoops(removed);
    for (auto it = removed.rbegin(); it != removed.rend(); ++it)
        if (Inside(*it, m_positions.size())) m_positions.erase(m_positions.begin() + *it);
}

void CrossSections::DecomposeAll(unsigned threads) { CrossSection::DecomposeAll(m_items, m_positions, threads); }

// ---- Document form ----

void CrossSections::From(std::istream& in) {
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length <= 0 || !in) return;
    detail::ReadSet(*this, in, static_cast<std::size_t>(length));
}

void CrossSections::From(const kor::Dom& document) {
    detail::SetBuilder builder(*this);
    for (const kor::Dom::Member& member : document.objects()) {
        const kor::Dom& value = member.second;
        if (builder.TakesOutlines(member.first)) {
            if (value.size() >= 1) {
                const kor::Dom& points = value[0];
                if (points.isArray()) builder.BeginPoints();
                for (std::size_t i = 0; i < points.size(); ++i)
                    builder.Point(points[i].size(), points[i][0].asDouble(0.0), points[i][1].asDouble(0.0));
            }
            const kor::Dom& sections = value[1];
            for (std::size_t i = 0; i < sections.size(); ++i) {
                const kor::Dom& entries = sections[i];
                for (std::size_t k = 0; k < entries.size(); ++k) {
                    const kor::Dom& indices = entries[k][0];
                    for (std::size_t n = 0; n < indices.size(); ++n) builder.Index(indices[n].asInt(0));
                    builder.EndEntry(entries[k].size(), entries[k][1].asBool(false));
                }
                builder.EndSection();
            }
            builder.EndOutlines(value.size());
        } else if (builder.TakesParams(member.first)) {
            for (const kor::Dom::Member& parameter : value.objects())
                builder.Parameter(parameter.first, parameter.second.asDouble(0.0));
        }
    }
    builder.Finish();
}

void CrossSections::To(kor::Dom& document) const {
    kor::detail::DomOut out(document);
    detail::WriteSet(out, *this);
}

void CrossSections::Write(std::ostream& stream, int indent, bool flatArraysOnOneLine) const {
    kor::detail::JsonSink sink(stream);
    kor::detail::JsonEmitter out(sink, indent, flatArraysOnOneLine);
    detail::WriteSet(out, *this);
}

// ---- Compatibility and blending ----

bool CrossSections::IsCompatible(const CrossSections& other, bool convex) const {
    if (m_items.size() != other.m_items.size()) return false;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (!m_items[i].IsCompatible(other.m_items[i], convex)) return false;
    return true;
}

CrossSections::CrossSections(const CrossSections& a, const CrossSections& b, double t, bool convex)
    : m_conversionFactor(1.0) {
    // a's convex loops first, so that the bridge points they append are among the
    // positions taken below.
    for (const CrossSection& item : a.m_items) item.ConvexLoops();
    const bool compatible = a.IsCompatible(b, convex);
    if (compatible) {
        const std::size_t n = std::min(a.m_positions.size(), b.m_positions.size());
        const double s = 1.0 - t;
        m_positions.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Point& p = a.m_positions[i];
            const Point& q = b.m_positions[i];
            m_positions.emplace_back(s * p.x() + t * q.x(), s * p.y() + t * q.y());
        }
    } else {
        m_positions = a.m_positions;
    }
    InitBBox();

    std::set<int> bridgesOfB;
    for (const CrossSection& item : b.m_items)
        bridgesOfB.insert(item.AddedVertices().begin(), item.AddedVertices().end());
    m_items.reserve(a.m_items.size());
    for (std::size_t i = 0; i < a.m_items.size(); ++i) {
        m_items.emplace_back(a.m_items[i], m_positions);
        // An item whose decomposition names positions that are not the blend of
        // its own corresponding positions is left plain: it decomposes again on the
        // blend's positions when asked.
        if (compatible && !NamesCorrespondingPositions(a.m_items[i], b.m_items[i], bridgesOfB, m_positions.size())) {
            std::set<int> unused;
            m_items.back().ResetConvexLoops(unused);
        }
    }
}

// ---- Dump ----

void CrossSections::Dump(std::ofstream& out, const char* prefix) const {
    if (out.is_open()) Dump(static_cast<std::ostream&>(out), prefix);
}

void CrossSections::Dump(std::ostream& out, const char* prefix) const {
    const std::string p(prefix);
    out << p << "CrossSections:\n";
    out << p << "    Positions:\n";
    int i = 0;
    for (const Point& position : m_positions) {
        out << p << "        " << i << ": (" << position.x() << ", " << position.y() << ")\n";
        ++i;
    }
    const std::string itemPrefix = p + "    ";
    for (const CrossSection& item : m_items) item.Dump(out, itemPrefix.c_str());
}

}  // namespace ShapeExport
}  // namespace kor
