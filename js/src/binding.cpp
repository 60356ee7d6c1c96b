// The binding of the JavaScript package: cross-section sets read from and written to
// JSON text, the decomposition and merging of pieces, the text dump, the SVG picture
// (the tool's) and the weld, with typed arrays in and out. index.js wraps it: every
// failure comes back as {error: message}, which it throws as an Error, and it frees
// the sets it holds.
#include <cmath>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/LoopChecks.h>
#include <kor/ShapeExport/ReadCrossSections.h>
#include <kor/ShapeExport/WeldPositions.h>

#include "Svg.h"

namespace se = kor::ShapeExport;
using emscripten::val;

namespace {

using Point = kor::Vec<2, double>;

val Failure(const std::string& message) {
    val out = val::object();
    out.set("error", message);
    return out;
}

// A typed array holding a copy of `data`.
template <typename T>
val Copy(const std::vector<T>& data) {
    return val(emscripten::typed_memory_view(data.size(), data.data())).call<val>("slice");
}

val PositionArray(const std::vector<Point>& points) {
    std::vector<double> xy;
    xy.reserve(points.size() * 2);
    for (const Point& p : points) {
        xy.push_back(p.x());
        xy.push_back(p.y());
    }
    return Copy(xy);
}

val IndexArray(const se::Loop& loop) {
    std::vector<std::uint32_t> indices;
    for (const se::Vertex& v : loop.Vertices()) indices.push_back(static_cast<std::uint32_t>(v.Index()));
    return Copy(indices);
}

// The pieces in one run: piece k is indices[offsets[k] .. offsets[k + 1]), and
// exterior[i] is 1 where the edge arriving at vertex i lies on the outline or a
// hole, 0 where it is a cut.
val PieceArrays(const std::vector<se::Loop>& loops, const std::vector<int>& added) {
    std::vector<std::uint32_t> indices, offsets{0}, bridges(added.begin(), added.end());
    std::vector<std::uint8_t> exterior;
    for (const se::Loop& loop : loops) {
        for (const se::Vertex& v : loop.Vertices()) {
            indices.push_back(static_cast<std::uint32_t>(v.Index()));
            exterior.push_back(v.Exterior() ? 1 : 0);
        }
        offsets.push_back(static_cast<std::uint32_t>(indices.size()));
    }
    val out = val::object();
    out.set("indices", Copy(indices));
    out.set("offsets", Copy(offsets));
    out.set("exterior", Copy(exterior));
    out.set("added", Copy(bridges));
    return out;
}

// The merge options, or an empty message naming what is wrong with the bound or the
// slop.
std::string Options(bool merge, bool clean, double maxVertices, double slop, se::ConvexMergeOptions& options) {
    if (!(maxVertices >= 0) || maxVertices != std::floor(maxVertices) || maxVertices > 1e9 ||
        (maxVertices > 0 && maxVertices < static_cast<double>(se::kSmallestVertexBound)))
        return "maxVertices must be 0 (no bound) or a whole number of at least " +
               std::to_string(se::kSmallestVertexBound);
    if (!(std::isfinite(slop) && slop >= 0.0)) return "slop must be a finite number of 0 or more";
    options.merge = merge;
    options.clean = clean;
    options.maxVertices = static_cast<std::size_t>(maxVertices);
    options.slop = slop;
    return "";
}

// The pieces of a decomposed item, merged as asked (the decomposition as it is
// when no option is set).
std::vector<se::Loop> Pieces(se::CrossSection& item, const se::ConvexMergeOptions& options) {
    const std::vector<se::Loop>& loops = item.GetConvexLoops();
    if (!se::AsksForAnyStep(options)) return loops;
    return se::MergeConvexLoops(item.Positions(), loops, options);
}

// A cross-section set that JavaScript holds (index.js frees it).
class Set {
public:
    // Reads a document into the empty set: {sections, dropped}, or {error}.
    val Read(const std::string& text, double factor) {
        if (!std::isfinite(factor) || !(factor > 0)) return Failure("factor must be a finite number greater than 0");
        m_sections = se::CrossSections(factor);
        const se::ReadResult result = se::ReadCrossSections(text, m_sections);
        if (!result) return Failure(result.message);
        val out = val::object();
        out.set("sections", static_cast<double>(result.sections));
        out.set("dropped", static_cast<double>(result.dropped));
        out.set("wrongOrientation", static_cast<double>(se::FindWrongOrientations(m_sections).size()));
        return out;
    }

    val Positions() const { return PositionArray(m_sections.Positions()); }
    int Count() const { return static_cast<int>(m_sections.Items().size()); }

    // Empty when i names an item, else the message.
    std::string Missing(int i) const {
        if (i >= 0 && i < Count()) return "";
        return "item " + std::to_string(i) + " is not one of the " + std::to_string(Count()) + " cross sections";
    }

    // The outline and holes of item i as the set holds them (holes clockwise).
    val Item(int i) const {
        if (!Missing(i).empty()) return Failure(Missing(i));
        const se::CrossSection& item = m_sections.Items()[static_cast<std::size_t>(i)];
        val holes = val::array();
        for (const se::Loop& hole : item.InteriorLoops()) holes.call<void>("push", IndexArray(hole));
        val out = val::object();
        out.set("outline", IndexArray(item.ExteriorLoop()));
        out.set("holes", holes);
        return out;
    }

    // The pieces of item i (decomposed first): PieceArrays, or {error}.
    val Decompose(int i, bool merge, bool clean, double maxVertices, double slop) {
        se::ConvexMergeOptions options;
        const std::string wrong = Options(merge, clean, maxVertices, slop, options);
        if (!wrong.empty() || !Missing(i).empty()) return Failure(wrong.empty() ? Missing(i) : wrong);
        se::CrossSection& item = m_sections.GetItems()[static_cast<std::size_t>(i)];
        return PieceArrays(Pieces(item, options), item.AddedVertices());
    }

    val Parameters() const {
        val out = val::object();
        for (const auto& [key, value] : m_sections.Parameters()) out.set(key, value);
        return out;
    }

    std::string ToJson(int indent) const {
        std::ostringstream out;
        m_sections.Write(out, indent);
        return out.str();
    }

    std::string Dump(const std::string& prefix) const {
        std::ostringstream out;
        m_sections.Dump(out, prefix.c_str());
        return out.str();
    }

    // The picture `shapeexport decompose --svg` draws, of the pieces merged as asked.
    val Svg(bool merge, bool clean, double maxVertices, double slop, const std::string& title) {
        se::ConvexMergeOptions options;
        const std::string wrong = Options(merge, clean, maxVertices, slop, options);
        if (!wrong.empty()) return Failure(wrong);
        std::vector<std::vector<se::Loop>> pieces;
        for (se::CrossSection& item : m_sections.GetItems()) pieces.push_back(Pieces(item, options));
        return val(se::Tool::RenderSvg(m_sections, pieces, title));
    }

private:
    se::CrossSections m_sections;
};

// One cross section from an outline and holes of x, y pairs (in any orientation
// with fixOrientation, which makes the outline counter-clockwise and the holes
// clockwise): {positions, PieceArrays...} with the bridge points appended to the
// positions, or {error}.
val Decompose(val outline, val holes, bool merge, bool clean, double maxVertices, double slop, bool fixOrientation) {
    se::ConvexMergeOptions options;
    const std::string wrong = Options(merge, clean, maxVertices, slop, options);
    if (!wrong.empty()) return Failure(wrong);
    std::vector<Point> positions;
    auto take = [&positions](const val& array, se::Loop& loop) {
        const std::vector<double> xy = emscripten::convertJSArrayToNumberVector<double>(array);
        if (xy.size() % 2 != 0) return false;
        for (std::size_t k = 0; k < xy.size(); k += 2) {
            loop.AddVertex(static_cast<int>(positions.size()), true);
            positions.emplace_back(xy[k], xy[k + 1]);
        }
        return true;
    };
    se::Loop exterior;
    const unsigned count = holes["length"].as<unsigned>();
    std::vector<se::Loop> interiors(count);
    if (!take(outline, exterior)) return Failure("the outline must hold x, y pairs: an even count of numbers");
    for (unsigned h = 0; h < count; ++h)
        if (!take(holes[h], interiors[h]))
            return Failure("holes[" + std::to_string(h) + "] must hold x, y pairs: an even count of numbers");
    se::CrossSections set(positions, false);
    se::CrossSection& item = set.GetItems()[0];
    item.GetExteriorLoop() = exterior;
    for (const se::Loop& hole : interiors) item.AddInteriorLoop() = hole;
    if (fixOrientation) se::FixOrientations(set);
    val out = PieceArrays(Pieces(item, options), item.AddedVertices());
    out.set("positions", PositionArray(set.Positions()));
    return out;
}

// The library's weld of x, y, z triples and position numbers (three per triangle,
// not examined; numbers outside the positions are left out): {positions, indices},
// or {error}.
val Weld(val positionArray, val indexArray) {
    const std::vector<double> xyz = emscripten::convertJSArrayToNumberVector<double>(positionArray);
    const std::vector<double> numbers = emscripten::convertJSArrayToNumberVector<double>(indexArray);
    if (xyz.size() % 3 != 0) return Failure("positions must hold x, y, z triples: a count divisible by 3");
    std::vector<long long> indices(numbers.size());
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (numbers[k] != std::floor(numbers[k]) || std::fabs(numbers[k]) > 9e15)
            return Failure("indices[" + std::to_string(k) + "] is not a whole number");
        indices[k] = static_cast<long long>(numbers[k]);
    }
    const se::WeldedPositions welded = se::WeldPositions(xyz.data(), xyz.size() / 3, indices.data(), indices.size());
    val out = val::object();
    out.set("positions", Copy(welded.xyz));
    out.set("indices", Copy(std::vector<std::uint32_t>(welded.indices.begin(), welded.indices.end())));
    return out;
}

// Calls `f`; an exception (memory exhausted) becomes
// {error} with its message.
template <typename F>
val Guarded(F&& f) {
    try {
        return f();
    } catch (const std::exception& e) {
        return Failure(e.what());
    }
}

}  // namespace

EMSCRIPTEN_BINDINGS(shapeexport) {
    using namespace emscripten;
    class_<Set>("Set")
        .constructor<>()
        .function("read", optional_override([](Set& s, const std::string& text, double factor) {
                      return Guarded([&] { return s.Read(text, factor); });
                  }))
        .function("positions", &Set::Positions)
        .function("count", &Set::Count)
        .function("item", optional_override([](const Set& s, int i) { return Guarded([&] { return s.Item(i); }); }))
        .function("decompose",
                  optional_override([](Set& s, int i, bool merge, bool clean, double maxVertices, double slop) {
                      return Guarded([&] { return s.Decompose(i, merge, clean, maxVertices, slop); });
                  }))
        .function("parameters", &Set::Parameters)
        .function("toJSON", &Set::ToJson)
        .function("dump", &Set::Dump)
        .function("svg", optional_override([](Set& s, bool merge, bool clean, double maxVertices, double slop,
                                              const std::string& title) {
                      return Guarded([&] { return s.Svg(merge, clean, maxVertices, slop, title); });
                  }));
    function(
        "decompose", optional_override([](val outline, val holes, bool merge, bool clean, double maxVertices,
                                          double slop, bool fixOrientation) {
            return Guarded([&] { return Decompose(outline, holes, merge, clean, maxVertices, slop, fixOrientation); });
        }));
    function("weld", optional_override(
                         [](val positions, val indices) { return Guarded([&] { return Weld(positions, indices); }); }));
}
