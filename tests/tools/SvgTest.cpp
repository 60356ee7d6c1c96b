// shapeexport decompose --svg: the picture's content, and a render in a real browser.
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "PngImage.h"
#include "ToolRunner.h"

using tool_test::CountOf;
using tool_test::RunTool;
using tool_test::ScratchDir;

namespace {

// Tags open and close in order (enough to tell a truncated or garbled document).
bool TagsBalance(const std::string& xml, std::string& problem) {
    std::vector<std::string> open;
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const std::size_t end = xml.find('>', at);
        if (end == std::string::npos) return problem = "unterminated tag", false;
        const std::string tag = xml.substr(at + 1, end - at - 1);
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return problem = "unexpected </" + tag.substr(1) + ">", false;
            open.pop_back();
        } else if (tag.back() != '/') {
            open.push_back(tag.substr(0, tag.find_first_of(" \n\t")));
        }
    }
    if (!open.empty()) return problem = "<" + open.back() + "> never closed", false;
    return true;
}

struct Summary {
    std::size_t items, positions, pieces, bridges;
};

Summary DecomposeExample(const std::string& svg) {
    const tool_test::RunResult run = RunTool({"decompose", "-o", svg + ".json", "--svg", svg});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    Summary s{};
    std::istringstream(std::regex_replace(run.out, std::regex("[^0-9]+"), " ")) >> s.items >> s.positions >> s.pieces >>
        s.bridges;
    return s;
}

TEST(ToolSvg, ExamplePictureHoldsEveryItemPieceCutAndBridgePoint) {
    ScratchDir dir;
    const std::string path = dir.Path("example.svg");
    const Summary summary = DecomposeExample(path);
    const std::string svg = tool_test::ReadFileText(path);
    ASSERT_EQ(svg.rfind("<?xml", 0), 0u);
    std::string problem;
    EXPECT_TRUE(TagsBalance(svg, problem)) << problem;
    EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    for (std::size_t i = 0; i < summary.items; ++i) {
        EXPECT_NE(svg.find("id=\"item-" + std::to_string(i) + "\""), std::string::npos) << i;
        EXPECT_NE(svg.find(">#" + std::to_string(i) + "<"), std::string::npos) << "label of item " << i;
    }
    EXPECT_EQ(CountOf(svg, "<polygon "), summary.pieces);  // every loop of the example is a piece
    EXPECT_EQ(CountOf(svg, "<circle ") - 1, summary.bridges);  // one more in the legend
    EXPECT_GT(CountOf(svg, "<line "), summary.items);  // dashed cuts
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);

    // Pieces get distinct colours, at least among neighbours in the list.
    const std::regex fill("<polygon points=\"[^\"]*\" fill=\"(#[0-9a-f]{6})\"");
    std::set<std::string> colours;
    for (std::sregex_iterator it(svg.begin(), svg.end(), fill), end; it != end; ++it) colours.insert((*it)[1]);
    EXPECT_GE(colours.size(), 10u);
}

TEST(ToolSvg, DegenerateInputStillGivesAPicture) {
    ScratchDir dir;
    const std::vector<std::string> documents = {
        R"({"Outlines": [[], []]})",                                                // nothing at all
        R"({"Outlines": [[[0, 0], [1, 0], [1, 1]], [[[[0, 1, 2], true]]]]})",        // one triangle
        R"({"Outlines": [[[0, 0], [0, 0], [0, 0]], [[[[0, 1, 2], true]]]]})",        // all in one point
        R"({"Outlines": [[[NaN, 0], [1, 0], [1, 1], [0, 1]], [[[[0, 1, 2, 3], true]]]]})",  // not a number
        R"({"Outlines": [[[-Infinity, 0], [1, 0], [1, 1]], [[[[0, 1, 2], true]]]]})",
    };
    for (const std::string& document : documents) {
        const std::string svgPath = dir.Path("out.svg");
        const tool_test::RunResult run = RunTool({"decompose", dir.Write("in.json", document), "--svg", svgPath});
        ASSERT_EQ(run.exitCode, 0) << document << "\n" << run.err;
        const std::string svg = tool_test::ReadFileText(svgPath);
        std::string problem;
        EXPECT_TRUE(TagsBalance(svg, problem)) << document << ": " << problem;
        EXPECT_EQ(svg.find("nan"), std::string::npos) << document;
        EXPECT_EQ(svg.find("inf"), std::string::npos) << document;
    }
}

double SvgSize(const std::string& svg, const char* attribute) {
    std::smatch match;
    const std::regex pattern(std::string("<svg [^>]*") + attribute + "=\"([0-9.]+)\"");
    return std::regex_search(svg, match, pattern) ? std::stod(match[1]) : 0.0;
}

TEST(ToolSvg, YPointsUpAndTheShapeFitsItsCell) {
    ScratchDir dir;
    const std::string svgPath = dir.Path("out.svg");
    // A right triangle with its right angle at the origin, far from it and large.
    const tool_test::RunResult run = RunTool(
        {"decompose", dir.Write("in.json", R"({"Outlines": [[[5000, -7000], [9000, -7000], [5000, -3000]]]})"), "--svg",
         svgPath});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string svg = tool_test::ReadFileText(svgPath);
    std::smatch m;
    const std::regex outline(R"(<path d="M([0-9.]+),([0-9.]+) L([0-9.]+),([0-9.]+) L([0-9.]+),([0-9.]+) Z"/>)");
    ASSERT_TRUE(std::regex_search(svg, m, outline)) << svg;
    double v[6];
    for (int i = 0; i < 6; ++i) v[i] = std::stod(m[i + 1]);
    EXPECT_GT(v[2], v[0]) << "x grows to the right";
    EXPECT_DOUBLE_EQ(v[3], v[1]);
    EXPECT_LT(v[5], v[1]) << "y grows upwards: the third corner is drawn above the first";
    EXPECT_DOUBLE_EQ(v[4], v[0]);
    const double width = SvgSize(svg, "width");
    for (int i = 0; i < 6; i += 2) {
        EXPECT_GE(v[i], 0.0);
        EXPECT_LE(v[i], width);
    }
    EXPECT_GT(v[2] - v[0], 100.0) << "scaled to fill its cell";
}

std::string FindChromium() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        for (const char* name : {"chromium", "chromium-browser"}) {
            const std::filesystem::path candidate = std::filesystem::path(folder) / name;
            if (std::filesystem::exists(candidate)) return candidate.string();
        }
    return std::string();
}


unsigned Channel(std::uint32_t rgba, int shift) { return (rgba >> shift) & 0xFFu; }

bool Close(std::uint32_t a, std::uint32_t b) {
    for (int shift : {24, 16, 8})
        if (std::abs(static_cast<int>(Channel(a, shift)) - static_cast<int>(Channel(b, shift))) > 3) return false;
    return true;
}

TEST(ToolSvg, ChromiumRendersThePicture) {
    const std::string chromium = FindChromium();
    if (chromium.empty()) GTEST_SKIP() << "chromium is not installed (scripts/deps.sh installs it)";

    ScratchDir dir;
    const std::string svgPath = dir.Path("example.svg");
    DecomposeExample(svgPath);
    const std::string svg = tool_test::ReadFileText(svgPath);
    const int width = static_cast<int>(SvgSize(svg, "width") + 0.5);
    const int height = static_cast<int>(SvgSize(svg, "height") + 0.5);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);

    const std::string png = dir.Path("example.png");
    const std::string command =
        "timeout 180 " + tool_test::ShellQuote(chromium) +
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
        " --disable-component-update --disable-sync --hide-scrollbars --user-data-dir=" +
        tool_test::ShellQuote(dir.Path("profile")) + " --screenshot=" + tool_test::ShellQuote(png) +
        " --window-size=" + std::to_string(width) + "," + std::to_string(height) + " " +
        tool_test::ShellQuote("file://" + svgPath) + " > " + tool_test::ShellQuote(dir.Path("chromium.log")) + " 2>&1";
    const int status = tool_test::RunShell(command);
    ASSERT_EQ(status, 0) << tool_test::ReadFileText(dir.Path("chromium.log"));

    tool_test::PngImage image;
    std::string error;
    ASSERT_TRUE(tool_test::ReadPng(png, image, error)) << error;
    EXPECT_EQ(image.width, static_cast<std::uint32_t>(width));
    EXPECT_EQ(image.height, static_cast<std::uint32_t>(height));

    // Not blank: many colours, a fair share of pixels that are not white.
    std::set<std::uint32_t> colours(image.pixels.begin(), image.pixels.end());
    EXPECT_GT(colours.size(), 20u);
    std::size_t inked = 0;
    for (std::uint32_t p : image.pixels) inked += (p >> 8) != 0xFFFFFFu;
    EXPECT_GT(inked, image.pixels.size() / 10) << "at most a tenth of the picture is drawn on";

    // The pieces were painted: most of their fill colours show up in the picture.
    const std::regex fill("<polygon points=\"[^\"]*\" fill=\"#([0-9a-f]{6})\"");
    std::set<std::uint32_t> fills;
    for (std::sregex_iterator it(svg.begin(), svg.end(), fill), end; it != end; ++it)
        fills.insert((static_cast<std::uint32_t>(std::stoul((*it)[1], nullptr, 16)) << 8) | 0xFFu);
    std::size_t seen = 0;
    for (std::uint32_t wanted : fills)
        for (std::uint32_t have : colours)
            if (Close(wanted, have)) {
                ++seen;
                break;
            }
    EXPECT_GE(seen * 2, fills.size()) << seen << " of " << fills.size() << " piece colours visible";
}

}  // namespace
