// shapeexport: the library's jobs from the command line.
//
// Exit codes: 0 success, 1 a problem with an input or output file (one line on
// standard error naming the file and what is wrong), 2 wrong usage.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include <kor/ShapeExport/ConvexMerge.h>

#include "Commands.h"
#include "ToolError.h"

namespace tool = kor::ShapeExport::Tool;

namespace {

constexpr int kUsageError = 2;

enum class Range { Any, NotNegative, Positive };

// A finite number in the range.
CLI::Validator NumberCheck(Range range) {
    return CLI::Validator(
        [range](std::string& text) -> std::string {
            errno = 0;
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            if (text.empty() || end == text.c_str() || *end != '\0') return "not a number: " + text;
            if (!std::isfinite(value)) return "not a finite number: " + text;
            if (range == Range::Positive && !(value > 0.0)) return "must be greater than 0: " + text;
            if (range == Range::NotNegative && !(value >= 0.0)) return "must be 0 or more: " + text;
            return std::string();
        },
        range == Range::Positive      ? "POSITIVE"
        : range == Range::NotNegative ? "DISTANCE"
                                      : "NUMBER");
}

// --indent N and --compact, which exclude each other.
void AddJsonLayoutOptions(CLI::App* command, tool::JsonLayout& layout) {
    CLI::Option* indent = command->add_option_function<int>(
        "--indent",
        [&layout](int spaces) {
            layout = tool::JsonLayout{spaces, false};
        },
        "JSON with every value on a line of its own, indented by N spaces per level "
        "(default: 2, with arrays of numbers and flags on one line)");
    indent->type_name("N")->check(CLI::Range(0, 16));
    command
        ->add_flag_callback(
            "--compact",
            [&layout] {
                layout = tool::JsonLayout{-1, false};
            },
            "JSON without any white space")
        ->excludes(indent);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Cross sections, extrusions and meshes: decompose, draw, dump, blend and weld.", "shapeexport");
    app.require_subcommand(1);
    app.set_version_flag("--version", SHAPEEXPORT_VERSION);
    app.footer(
        "Every FILE may be '-' for standard input.\n"
        "Exit codes: 0 success, 1 a problem with an input or output file, 2 wrong usage.");

    tool::DecomposeOptions decompose;
    CLI::App* decomposeCommand = app.add_subcommand(
        "decompose", "Cut every cross section of a set into convex pieces (holes first spliced in by bridges)");
    decomposeCommand->footer(
        "Input: a cross-section document, for example a 10 x 10 square with a 3 x 3 hole:\n"
        "  {\"Outlines\": [[[0,0], [10,0], [10,10], [0,10], [3,3], [6,3], [6,6], [3,6]],\n"
        "                [[[[0,1,2,3], true], [[4,5,6,7], false]]]]}\n"
        "first the points, then every cross section as a list of [[point index, ...], isExterior] entries,\n"
        "exactly one exterior. Outlines and holes run counter-clockwise in the document (x right, y up):\n"
        "a hole's index list is stored in reverse. With only the point list, one outline runs through\n"
        "every point. A loop that runs the other way gives a warning (--fix-orientation reverses it).\n"
        "Output: {\"positions\": [[x, y], ...] (bridge points appended), \"items\": [{\"convex\":\n"
        "[[[index, flag], ...], ...], \"notConvex\": [piece, ...], \"added\": [index, ...]}, ...]}: every\n"
        "piece a list of [position index, flag], the flag true where the edge arriving at the vertex\n"
        "lies on the outline or a hole, false where it is a cut; \"notConvex\" lists the pieces the\n"
        "exact steps could not make convex; \"added\" the bridge points of the item.");
    decomposeCommand
        ->add_option("input", decompose.input,
                     "Cross-section document (JSON); without it, a built-in example of four steel profiles")
        ->type_name("FILE");
    decomposeCommand
        ->add_option("-o,--output", decompose.output,
                     "Write the JSON {\"positions\", \"items\"} here and print a one-line summary instead")
        ->type_name("OUT.json");
    decomposeCommand->add_option("--svg", decompose.svg, "Also draw the pieces, cuts and bridge points as SVG")
        ->type_name("OUT.svg");
    decomposeCommand
        ->add_option("--scale", decompose.scale, "Conversion factor applied to the positions read (default 1)")
        ->check(NumberCheck(Range::Positive));
    decomposeCommand->add_flag("--normalize", decompose.normalize,
                               "Shift the set so that its lowest point lies on y = 0");
    decomposeCommand
        ->add_option("-j,--jobs", decompose.jobs, "Threads that decompose the items (default 0: one per core)")
        ->type_name("N");
    decomposeCommand->add_flag("--merge", decompose.merge, "Join adjacent pieces whose union is convex (fewer pieces)");
    decomposeCommand->add_flag("--clean", decompose.clean, "Drop the corners where a piece's outline goes straight on");
    decomposeCommand
        ->add_option("--max-vertices", decompose.maxVertices,
                     "Split pieces into pieces of at most N vertices (0: no bound)")
        ->check(CLI::Validator(
            [](std::string& text) {
                errno = 0;
                char* end = nullptr;
                const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
                const bool whole = !text.empty() && text[0] != '-' && end && *end == '\0' && errno == 0;
                return whole && (n == 0 || n >= kor::ShapeExport::kSmallestVertexBound)
                           ? std::string()
                           : "must be 0 (no bound) or a whole number of at least " +
                                 std::to_string(kor::ShapeExport::kSmallestVertexBound) + ": " + text;
            },
            "N"))
        ->type_name("N");
    decomposeCommand
        ->add_option("--slop", decompose.slop,
                     "Engine-ready pieces: vertices at least S apart, corners standing at least S out, none thinner "
                     "(what a physics engine welds or rejects; 0: none)")
        ->check(NumberCheck(Range::NotNegative));
    decomposeCommand->add_flag("--fix-orientation", decompose.fixOrientation,
                               "Reverse outlines and holes that run the wrong way before decomposing (without it: a "
                               "warning)");
    AddJsonLayoutOptions(decomposeCommand, decompose.layout);

    tool::DumpOptions dump;
    CLI::App* dumpCommand = app.add_subcommand("dump", "Print the diagnostic text of a cross-section set");
    dumpCommand->add_option("input", dump.input, "Cross-section document (JSON)")->required()->type_name("FILE");
    dumpCommand->add_option("-o,--output", dump.output, "Write the text here instead of standard output")
        ->type_name("OUT.txt");

    tool::BlendOptions blend;
    CLI::App* blendCommand = app.add_subcommand("blend",
                                                "Interpolate the positions of two compatible cross-section sets: "
                                                "(1-t)*A + t*B (sets that do not correspond are refused)");
    blendCommand->add_option("a", blend.first, "First cross-section document (t = 0)")->required()->type_name("A.json");
    blendCommand->add_option("b", blend.second, "Second cross-section document (t = 1)")
        ->required()
        ->type_name("B.json");
    blendCommand->add_option("-t", blend.t, "Blend parameter; values outside 0..1 extrapolate")
        ->required()
        ->check(NumberCheck(Range::Any));
    blendCommand->add_flag("--convex", blend.convex,
                           "Compare the sets by their convex loops instead of their outlines");
    blendCommand->add_option("-o,--output", blend.output, "Write the document here instead of standard output")
        ->type_name("OUT.json");
    AddJsonLayoutOptions(blendCommand, blend.layout);

    tool::WeldOptions weld;
    CLI::App* weldCommand = app.add_subcommand(
        "weld", "Import a model with Assimp and merge coincident positions of every mesh (squared distance < 1e-8)");
    weldCommand->add_option("model", weld.model, "Any model Assimp reads (OBJ, glTF, PLY, STL, ...)")
        ->required()
        ->type_name("MODEL");
    weldCommand->add_option("-o,--output", weld.obj, "Write the welded meshes as Wavefront OBJ")->type_name("OUT.obj");
    weldCommand->add_option("--json", weld.json, "Write the welded meshes as JSON")->type_name("OUT.json");
    weldCommand
        ->add_option("--max-memory", weld.maxMemoryGB,
                     "Gigabytes of memory the import may use (default 4; 0: no limit)")
        ->check(CLI::NonNegativeNumber)
        ->type_name("GB");
    AddJsonLayoutOptions(weldCommand, weld.layout);

    std::string extrusionInput;
    CLI::App* extrusionCommand = app.add_subcommand("extrusion", "Show the extrusion read from a document");
    extrusionCommand->add_option("input", extrusionInput, "Extrusion document (JSON)")->required()->type_name("FILE");

    std::string endPlaneInput;
    CLI::App* endPlaneCommand = app.add_subcommand("endplane", "Show the end plane read from a document");
    endPlaneCommand->add_option("input", endPlaneInput, "End plane document (JSON)")->required()->type_name("FILE");

    try {
        app.parse(argc, argv);
        if (blendCommand->parsed() && blend.first == "-" && blend.second == "-")
            throw CLI::ValidationError("a, b", "standard input can be read only once");
        if (decomposeCommand->parsed() && decompose.svg == "-" && (decompose.output.empty() || decompose.output == "-"))
            throw CLI::ValidationError("--svg",
                                       "'-' writes to standard output, where the JSON goes too (give -o FILE)");
        if (weldCommand->parsed() && weld.obj == "-" && weld.json == "-")
            throw CLI::ValidationError("-o, --json", "only one of them can write to standard output");
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kUsageError;
    }

    try {
        if (decomposeCommand->parsed()) return tool::RunDecompose(decompose);
        if (dumpCommand->parsed()) return tool::RunDump(dump);
        if (blendCommand->parsed()) return tool::RunBlend(blend);
        if (weldCommand->parsed()) return tool::RunWeld(weld);
        if (extrusionCommand->parsed()) return tool::RunExtrusion(extrusionInput);
        if (endPlaneCommand->parsed()) return tool::RunEndPlane(endPlaneInput);
    } catch (const tool::InputError& e) {
        std::cerr << "shapeexport: " << e.what() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "shapeexport: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "shapeexport: " << e.what() << '\n';
        return 1;
    }
    return kUsageError;
}
