// The Python module shapeexport: cross-section sets, extrusions, end planes and the
// mesh weld of the library, with NumPy arrays in and out. Every result comes from the
// library; reading and checking documents (with the tool's messages) and the SVG
// picture come from the code the command-line tool uses (shapeexport_tool_support).
//
// The GIL is held while a set is used (a set's first decomposition writes to it, so
// no two threads may use one set at once); the weld, which works on copies of its
// arrays, runs without it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <kor/Dom.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/EndPlane.h>
#include <kor/ShapeExport/Extrusion.h>
#include <kor/ShapeExport/LoopChecks.h>
#include <kor/ShapeExport/WeldPositions.h>

#include "DecompositionLayout.h"
#include "Input.h"
#include "Svg.h"
#include "ToolError.h"

namespace py = pybind11;
namespace se = kor::ShapeExport;
namespace tool = kor::ShapeExport::Tool;

namespace {

using Point = kor::Vec<2, double>;
using IntArray = py::array_t<std::int64_t>;
using FloatArray = py::array_t<double>;

// A set as Python holds it: the library's set and the name its picture is titled by.
struct Set {
    se::CrossSections sections;
    std::string name;
};
using SetPtr = std::shared_ptr<Set>;

// One item of a set. It keeps the set alive, since the item's loops index the set's
// positions.
struct Item {
    SetPtr set;
    std::size_t index;

    se::CrossSection& Get() const {
        std::vector<se::CrossSection>& items = set->sections.GetItems();
        if (index >= items.size()) throw py::index_error("the cross section is no longer in its set");
        return items[index];
    }
};

void Warn(const std::string& message) {
    if (!message.empty() && PyErr_WarnEx(PyExc_UserWarning, message.c_str(), 1) != 0) throw py::error_already_set();
}

void CheckFinite(double value, const char* name, bool positive) {
    if (!std::isfinite(value) || (positive && !(value > 0.0)))
        throw py::value_error(std::string(name) +
                              (positive ? " must be a finite number greater than 0" : " must be a finite number"));
}

// (k, 2) rows of index and exterior flag (1: the edge arriving at the vertex lies on
// the outline or a hole, 0: a cut).
IntArray LoopArray(const se::Loop& loop) {
    const std::vector<se::Vertex>& vertices = loop.Vertices();
    IntArray out({static_cast<py::ssize_t>(vertices.size()), py::ssize_t(2)});
    auto a = out.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < a.shape(0); ++i) {
        a(i, 0) = vertices[static_cast<std::size_t>(i)].Index();
        a(i, 1) = vertices[static_cast<std::size_t>(i)].Exterior() ? 1 : 0;
    }
    return out;
}

py::list LoopList(const std::vector<se::Loop>& loops) {
    py::list out;
    for (const se::Loop& loop : loops) out.append(LoopArray(loop));
    return out;
}

FloatArray PointArray(const std::vector<Point>& points) {
    FloatArray out({static_cast<py::ssize_t>(points.size()), py::ssize_t(2)});
    auto a = out.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < a.shape(0); ++i) {
        a(i, 0) = points[static_cast<std::size_t>(i)].x();
        a(i, 1) = points[static_cast<std::size_t>(i)].y();
    }
    return out;
}

// `object` as a C-contiguous (n, columns) array of T, copied when its layout or type
// differs; a TypeError when it is not two-dimensional with that many columns or its
// dtype is not of one of the NumPy kinds in `kinds` ('f' float, 'i'/'u' integer).
template <typename T>
py::array_t<T, py::array::c_style> CheckedArray(const py::object& object, py::ssize_t columns, const char* name,
                                                const std::string& kinds) {
    const py::array array = py::module_::import("numpy").attr("asarray")(object);
    if (array.ndim() != 2 || array.shape(1) != columns)
        throw py::type_error(std::string(name) + " must be an array of shape (n, " + std::to_string(columns) +
                             "), not " + py::str(py::tuple(array.attr("shape"))).cast<std::string>());
    if (kinds.find(array.dtype().kind()) == std::string::npos)
        throw py::type_error(std::string(name) + " must hold " + (kinds == "iu" ? "integers" : "numbers") + ", not " +
                             py::str(array.dtype()).cast<std::string>());
    return py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(array);
}

// ---- cross sections ----

SetPtr MakeSet(double factor, std::string name) {
    CheckFinite(factor, "factor", true);
    return std::make_shared<Set>(Set{se::CrossSections(factor), std::move(name)});
}

// Reads a document with the tool's messages; warnings (dropped cross sections, loops
// that run the wrong way) become Python warnings.
SetPtr ReadInto(SetPtr set, const tool::InputText& input, bool fixOrientation) {
    tool::SetReading how;
    how.fixOrientation = fixOrientation;
    how.fixHint = "fix_orientation=True reverses them";
    for (const std::string& warning : tool::ReadCrossSectionsQuietly(input, set->sections, how)) Warn(warning);
    return set;
}

SetPtr Read(const py::object& path, double factor, bool fixOrientation) {
    std::string file = py::bytes(py::module_::import("os").attr("fsencode")(path));
    if (file == "-") file = "./-";  // a file of that name, not standard input
    return ReadInto(MakeSet(factor, file), tool::ReadInput(file), fixOrientation);
}

SetPtr Loads(const std::string& text, double factor, bool fixOrientation) {
    SetPtr set = MakeSet(factor, "<string>");
    return ReadInto(set, tool::InputText{set->name, text}, fixOrientation);
}

// One cross section from arrays of points: the outline (n, 2) and the holes, each
// (k, 2), in any orientation unless told to keep it.
SetPtr FromArrays(const py::object& outline, const py::list& holes, bool fixOrientation) {
    std::vector<Point> positions;
    auto take = [&positions](const py::object& object, const char* name, se::Loop& loop) {
        const auto array = CheckedArray<double>(object, 2, name, "fiu");
        auto a = array.unchecked<2>();
        for (py::ssize_t i = 0; i < a.shape(0); ++i) {
            loop.AddVertex(static_cast<int>(positions.size()), true);
            positions.emplace_back(a(i, 0), a(i, 1));
        }
    };
    se::Loop exterior;
    std::vector<se::Loop> interiors(holes.size());
    take(outline, "outline", exterior);
    for (std::size_t h = 0; h < holes.size(); ++h) take(holes[h], "holes", interiors[h]);
    SetPtr set = std::make_shared<Set>(Set{se::CrossSections(positions, false), "arrays"});
    se::CrossSection& item = set->sections.GetItems()[0];
    item.GetExteriorLoop() = exterior;
    for (const se::Loop& hole : interiors) item.AddInteriorLoop() = hole;
    if (fixOrientation) se::FixOrientations(set->sections);
    return set;
}

SetPtr FromPoints(const py::object& points) {
    const auto array = CheckedArray<double>(points, 2, "points", "fiu");
    auto a = array.unchecked<2>();
    std::vector<Point> positions;
    positions.reserve(static_cast<std::size_t>(a.shape(0)));
    for (py::ssize_t i = 0; i < a.shape(0); ++i) positions.emplace_back(a(i, 0), a(i, 1));
    return std::make_shared<Set>(Set{se::CrossSections(positions, true), "points"});
}

SetPtr Blend(const SetPtr& a, const SetPtr& b, double t, bool convex) {
    CheckFinite(t, "t", false);
    if (!a->sections.IsCompatible(b->sections, convex))
        Warn(a->name + " and " + b->name + " are not compatible" +
             (convex ? " (convex loops differ)" : " (outlines differ)") + "; the result holds the positions of " +
             a->name + " unchanged");
    std::ostringstream name;
    name << "blend of " << a->name << " and " << b->name << " at t = " << t;
    return std::make_shared<Set>(Set{se::CrossSections(a->sections, b->sections, t, convex), name.str()});
}

std::string ToJson(const Set& set, std::optional<int> indent) {
    if (indent && *indent < 0) throw py::value_error("indent must be None or at least 0");
    const int width = indent ? *indent : -1;
    kor::Dom document;
    set.sections.To(document);
    return kor::DomWriterJson::ToString(document, width);
}

std::string Dumps(const Set& set, const std::string& prefix) {
    std::ostringstream out;
    set.sections.Dump(out, prefix.c_str());
    return out.str();
}

// Python objects through the calls of kor::detail::JsonEmitter, so that the
// decomposition's document is the tool's (DecompositionLayout.h).
class PyOut {
public:
    void Null() { Put(py::none()); }
    void Bool(bool value) { Put(py::bool_(value)); }
    void Int(long long value) { Put(py::int_(value)); }
    void Double(double value) { Put(py::float_(value)); }
    void BeginArray(bool) { Open(py::list()); }
    void BeginObject() { Open(py::dict()); }
    void Key(const std::string& key) { m_key = key; }
    void End() {
        py::object done = m_open.back();
        m_open.pop_back();
        if (m_open.empty()) m_result = done;
    }
    py::object Result() const { return m_result; }

private:
    void Put(const py::object& value) {
        py::object& parent = m_open.back();
        if (py::isinstance<py::list>(parent))
            parent.cast<py::list>().append(value);
        else
            parent.cast<py::dict>()[py::str(m_key)] = value;
    }
    void Open(const py::object& container) {
        if (!m_open.empty()) Put(container);
        m_open.push_back(container);
    }

    std::vector<py::object> m_open;
    std::string m_key;
    py::object m_result;
};

// The document `shapeexport decompose` writes; every item is decomposed first, in
// order, so the positions include every bridge point.
py::object Decomposition(Set& set) {
    std::vector<std::vector<se::Loop>> pieces;
    for (se::CrossSection& item : set.sections.GetItems()) pieces.push_back(item.GetConvexLoops());
    PyOut out;
    tool::WriteDecomposition(out, set.sections, pieces);
    return out.Result();
}

std::string Svg(const Set& set, const py::object& title) {
    return tool::RenderSvg(set.sections,
                           title.is_none() ? "Convex decomposition of " + set.name : title.cast<std::string>());
}

// The item's convex pieces, through MergeConvexLoops when the options ask for a step
// of it; `merged` holds them then.
const std::vector<se::Loop>& ConvexLoops(const Item& item, bool merge, py::ssize_t maxVertices, bool clean, double slop,
                                         std::vector<se::Loop>& merged) {
    if (maxVertices < 0 || (maxVertices > 0 && static_cast<std::size_t>(maxVertices) < se::kSmallestVertexBound))
        throw py::value_error("max_vertices must be 0 (no bound) or a whole number of at least " +
                              std::to_string(se::kSmallestVertexBound));
    if (!(std::isfinite(slop) && slop >= 0.0)) throw py::value_error("slop must be a finite number of 0 or more");
    se::CrossSection& section = item.Get();
    const std::vector<se::Loop>& loops = section.GetConvexLoops();
    se::ConvexMergeOptions options;
    options.merge = merge;
    options.clean = clean;
    options.maxVertices = static_cast<std::size_t>(maxVertices);
    options.slop = slop;
    if (!se::AsksForAnyStep(options)) return loops;
    merged = se::MergeConvexLoops(section.Positions(), loops, options);
    return merged;
}

// All pieces in one (N, 2) array of rows as LoopArray's, and where each begins: piece
// i is rows starts[i] to starts[i + 1], for callers that take flat arrays (as
// triangulators hand back theirs).
py::tuple FlatLoops(const std::vector<se::Loop>& loops) {
    IntArray starts(static_cast<py::ssize_t>(loops.size() + 1));
    auto s = starts.mutable_unchecked<1>();
    s(0) = 0;
    for (std::size_t i = 0; i < loops.size(); ++i)
        s(static_cast<py::ssize_t>(i + 1)) =
            s(static_cast<py::ssize_t>(i)) + static_cast<std::int64_t>(loops[i].Vertices().size());
    IntArray rows({static_cast<py::ssize_t>(s(static_cast<py::ssize_t>(loops.size()))), py::ssize_t(2)});
    std::int64_t* out = rows.mutable_data();
    for (const se::Loop& loop : loops)
        for (const se::Vertex& v : loop.Vertices()) {
            *out++ = v.Index();
            *out++ = v.Exterior() ? 1 : 0;
        }
    return py::make_tuple(rows, starts);
}

// The pieces of ConvexLoops in the form `Format` gives them.
template <typename Result, Result (*Format)(const std::vector<se::Loop>&)>
Result Pieces(const Item& item, bool merge, py::ssize_t maxVertices, bool clean, double slop) {
    std::vector<se::Loop> merged;
    return Format(ConvexLoops(item, merge, maxVertices, clean, slop, merged));
}

// ---- extrusions and end planes ----

py::tuple Triple(const se::Position& p) { return py::make_tuple(p.X(), p.Y(), p.Z()); }

kor::Dom ParseObject(const std::string& text) { return tool::ParseJsonObject(tool::InputText{"<string>", text}); }

py::dict ReadExtrusion(const std::string& text) {
    se::Extrusion extrusion;
    extrusion.from(ParseObject(text));
    py::list sections;
    for (const se::ExtrudedSection& section : extrusion.Sections()) {
        py::list profiles;
        for (const se::Profile& profile : section.Profiles()) {
            const std::vector<se::Position>& points = profile.Positions();
            FloatArray array({static_cast<py::ssize_t>(points.size()), py::ssize_t(3)});
            auto a = array.mutable_unchecked<2>();
            for (py::ssize_t i = 0; i < a.shape(0); ++i) {
                const se::Position& p = points[static_cast<std::size_t>(i)];
                a(i, 0) = p.X();
                a(i, 1) = p.Y();
                a(i, 2) = p.Z();
            }
            profiles.append(array);
        }
        py::dict entry;
        entry["exterior"] = section.Exterior();
        entry["profiles"] = profiles;
        sections.append(entry);
    }
    py::dict out;
    out["sections"] = sections;
    return out;
}

py::dict ReadEndPlane(const std::string& text) {
    se::EndPlane plane;
    plane.from(ParseObject(text));
    py::dict out;
    out["start"] = plane.IsStart();
    out["origin"] = Triple(plane.Origin());
    out["normal"] = Triple(plane.Normal());
    out["skew"] = plane.Skew();
    return out;
}

// ---- meshes ----

py::tuple Weld(const py::object& vertexObject, const py::object& faceObject) {
    const auto vertices = CheckedArray<double>(vertexObject, 3, "vertices", "fiu");
    const auto faces = CheckedArray<std::int64_t>(faceObject, 3, "faces", "iu");
    const auto f = faces.unchecked<2>();
    for (py::ssize_t i = 0; i < f.shape(0); ++i)
        for (py::ssize_t k = 0; k < 3; ++k)
            if (f(i, k) < 0 || f(i, k) >= vertices.shape(0))
                throw py::value_error("faces[" + std::to_string(i) + "] names vertex " + std::to_string(f(i, k)) +
                                      ", not one of the " + std::to_string(vertices.shape(0)) + " vertices");
    se::WeldedPositions welded;
    {
        py::gil_scoped_release unlocked;
        static_assert(sizeof(long long) == sizeof(std::int64_t), "faces are read in place");
        welded =
            se::WeldPositions(vertices.data(), static_cast<std::size_t>(vertices.shape(0)),
                              reinterpret_cast<const long long*>(faces.data()), static_cast<std::size_t>(faces.size()));
    }
    FloatArray points({static_cast<py::ssize_t>(welded.xyz.size() / 3), py::ssize_t(3)});
    std::copy(welded.xyz.begin(), welded.xyz.end(), points.mutable_data());
    IntArray triangles({static_cast<py::ssize_t>(welded.indices.size() / 3), py::ssize_t(3)});
    std::copy(welded.indices.begin(), welded.indices.end(), triangles.mutable_data());
    return py::make_tuple(points, triangles);
}

}  // namespace

PYBIND11_MODULE(_shapeexport, m) {
    m.doc() = "Cross sections, extrusions, end planes and mesh welding of the ShapeExport library.";
    m.attr("__version__") = SHAPEEXPORT_VERSION;

    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const tool::InputError& e) {
            using Kind = tool::InputError::Kind;
            PyObject* type = e.GetKind() == Kind::NotFound     ? PyExc_FileNotFoundError
                             : e.GetKind() == Kind::Directory  ? PyExc_IsADirectoryError
                             : e.GetKind() == Kind::Unreadable ? PyExc_OSError
                                                               : PyExc_ValueError;
            // A path need not be UTF-8: undecodable bytes are replaced, not an error of their own.
            const py::str message = py::reinterpret_steal<py::str>(
                PyUnicode_DecodeUTF8(e.what(), static_cast<py::ssize_t>(std::strlen(e.what())), "replace"));
            PyErr_SetObject(type, message.ptr());
        }
    });

    py::class_<Set, SetPtr>(m, "CrossSections", "A set of cross sections over one shared array of 2D positions.")
        .def(py::init([]() { return MakeSet(1.0, "<empty>"); }), "An empty set.")
        .def(py::init(&FromPoints), py::arg("points"),
             "One cross section whose outline runs through the (n, 2) points in order.")
        .def_static("from_arrays", &FromArrays, py::arg("outline"), py::arg("holes") = py::list(),
                    py::arg("fix_orientation") = true,
                    "One cross section from an outline (n, 2) and holes [(k, 2), ...] of points, in any\n"
                    "orientation: with fix_orientation the outline is made counter-clockwise and every hole\n"
                    "clockwise, as the decomposition expects.")
        .def_static("read", &Read, py::arg("path"), py::arg("factor") = 1.0, py::arg("fix_orientation") = false,
                    "Reads a cross-section document (JSON) from a file, positions multiplied by factor.\n"
                    "FileNotFoundError, IsADirectoryError, OSError for the path; ValueError for the text.\n"
                    "Loops that run the wrong way give a warning, or are reversed with fix_orientation.")
        .def_static("loads", &Loads, py::arg("text"), py::arg("factor") = 1.0, py::arg("fix_orientation") = false,
                    "Reads a cross-section document from JSON text; ValueError when it is none. Loops that\n"
                    "run the wrong way give a warning, or are reversed with fix_orientation.")
        .def_static("blend", &Blend, py::arg("a"), py::arg("b"), py::arg("t"), py::arg("convex") = false,
                    "The set with positions (1 - t) * a + t * b and a's items; a's positions alone (with a\n"
                    "warning) when the sets are not compatible (outlines, or convex loops with convex=True).")
        .def_readwrite("name", &Set::name, "The path read, or what else the set came from; titles the picture.")
        .def_property_readonly(
            "positions", [](const Set& s) { return PointArray(s.sections.Positions()); },
            "The positions, a float64 array (N, 2) (a copy).")
        .def_property_readonly(
            "items",
            [](const SetPtr& s) {
                py::list items;
                for (std::size_t i = 0; i < s->sections.Items().size(); ++i) items.append(Item{s, i});
                return items;
            },
            "The cross sections, a list of CrossSection.")
        .def_property_readonly(
            "bbox",
            [](const Set& s) {
                const auto& box = s.sections.BBox();
                return py::make_tuple(box.min.x(), box.min.y(), box.max.x(), box.max.y());
            },
            "(min_x, min_y, max_x, max_y) of the positions as read; (inf, inf, -inf, -inf) when empty.")
        .def_property_readonly(
            "parameters", [](const Set& s) { return s.sections.Parameters(); },
            "The named numeric parameters read from \"Params\".")
        .def("to_json", &ToJson, py::arg("indent") = py::none(),
             "The set as a cross-section document (JSON text), compact or indented.")
        .def("decomposition", &Decomposition,
             "{'positions': [[x, y], ...], 'items': [{'convex': [[[index, exterior], ...], ...],\n"
             "'added': [index, ...]}, ...]} as `shapeexport decompose` writes it; decomposes every item.")
        .def("dumps", &Dumps, py::arg("prefix") = "", "The diagnostic text dump of the set.")
        .def(
            "reset_convex_loops", [](Set& s) { s.sections.ResetConvexLoops(); },
            "Discards every convex decomposition and the positions it appended.")
        .def(
            "normalize_vertical", [](Set& s) { s.sections.NormalizeVertical(); },
            "Shifts the positions so that the lowest lies on y = 0.")
        .def(
            "decompose_all",
            [](Set& s, py::ssize_t threads) {
                if (threads < 0 || threads > std::numeric_limits<unsigned>::max())
                    throw py::value_error("threads must be 0 (one per core) or more");
                s.sections.DecomposeAll(static_cast<unsigned>(threads));
            },
            py::arg("threads") = 0,
            "Decomposes every item that has no convex loops yet, on up to threads threads\n"
            "(0: one per core), with the same result as one after the other.")
        .def("to_svg", &Svg, py::arg("title") = py::none(),
             "The picture of the decomposition as SVG text (as `shapeexport decompose --svg`).")
        .def("_repr_svg_", [](const Set& s) { return Svg(s, py::none()); })
        .def("__len__", [](const Set& s) { return s.sections.Items().size(); })
        .def("__repr__", [](const Set& s) {
            return "<CrossSections " + s.name + ": " + std::to_string(s.sections.Items().size()) + " items, " +
                   std::to_string(s.sections.Positions().size()) + " positions>";
        });

    py::class_<Item>(m, "CrossSection",
                     "One cross section of a set: an outline with holes, indexing the set's positions.")
        .def_property_readonly(
            "exterior", [](const Item& i) { return LoopArray(i.Get().ExteriorLoop()); },
            "The outline, an int64 array (k, 2) of index and exterior flag.")
        .def_property_readonly(
            "interiors", [](const Item& i) { return LoopList(i.Get().InteriorLoops()); },
            "The holes, a list of int64 arrays (k, 2).")
        .def_property_readonly(
            "added",
            [](const Item& i) {
                const std::vector<int>& added = i.Get().AddedVertices();
                IntArray out(static_cast<py::ssize_t>(added.size()));
                std::copy(added.begin(), added.end(), out.mutable_data());
                return out;
            },
            "Indices of the positions that hole removal appended (bridge points).")
        .def("convex_loops", &Pieces<py::list, LoopList>, py::arg("merge") = false, py::arg("max_vertices") = 0,
             py::arg("clean") = false, py::arg("slop") = 0.0,
             "The convex pieces, a list of int64 arrays (k, 2); decomposes on first use. merge joins\n"
             "neighbours whose union is convex, clean drops straight corners, max_vertices > 0 splits\n"
             "larger pieces, slop > 0 makes them engine-ready: vertices at least slop apart, corners\n"
             "standing at least slop out, none thinner (MergeConvexLoops).")
        .def("convex_loop_array", &Pieces<py::tuple, FlatLoops>, py::arg("merge") = false, py::arg("max_vertices") = 0,
             py::arg("clean") = false, py::arg("slop") = 0.0,
             "The pieces of convex_loops (same options) as two int64 arrays (rows, starts): rows (N, 2)\n"
             "holds every piece's rows in turn, piece i is rows[starts[i]:starts[i + 1]].")
        .def_property_readonly(
            "set", [](const Item& i) { return i.set; }, "The set the item belongs to.")
        .def("__repr__",
             [](const Item& i) { return "<CrossSection " + std::to_string(i.index) + " of " + i.set->name + ">"; });

    m.def("weld", &Weld, py::arg("vertices"), py::arg("faces"),
          "Merges coincident vertices (squared distance below 1e-8) of a triangle mesh with the\n"
          "library's weld. vertices (n, 3), in double precision; faces (m, 3) of vertex indices.\n"
          "Returns (positions (k, 3) float64, faces (m, 3) int64).");
    m.def("read_extrusion", &ReadExtrusion, py::arg("text"),
          "What the library reads from an extrusion document: {'sections': [{'exterior': bool,\n"
          "'profiles': [float64 array (k, 3), ...]}, ...]}; unset coordinates are inf.");
    m.def("read_end_plane", &ReadEndPlane, py::arg("text"),
          "What the library reads from an end-plane document: {'start', 'origin', 'normal', 'skew'};\n"
          "unset coordinates are inf.");
}
