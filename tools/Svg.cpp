#include "Svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/LoopChecks.h>

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

using Point = kor::Vec<2, double>;

constexpr double kDrawing = 280.0;  // square that one item is fitted into, in pixels
constexpr double kPad = 26.0;       // space around the drawing inside its cell
constexpr double kLabel = 30.0;     // label line below the drawing
constexpr double kTitle = 40.0;
constexpr double kLegend = 40.0;
constexpr std::size_t kMaxColumns = 4;
constexpr double kCellWidth = kDrawing + 2 * kPad;
constexpr double kCellHeight = kDrawing + 2 * kPad + kLabel;
const char* const kFont = "DejaVu Sans, Helvetica, Arial, sans-serif";

// Picture coordinates: every one lies inside the picture, at 6 or more from its edge.
std::string Num(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// A light colour for piece k: hues a golden angle apart, so neighbours differ.
std::string PieceColour(std::size_t k) {
    const double h = std::fmod(static_cast<double>(k) * 137.508, 360.0) / 60.0;
    const double s = 0.70, l = 0.84;
    const double c = (1.0 - std::fabs(2.0 * l - 1.0)) * s;
    const double x = c * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    if (h < 1) {
        r = c;
        g = x;
    } else if (h < 2) {
        r = x;
        g = c;
    } else if (h < 3) {
        g = c;
        b = x;
    } else if (h < 4) {
        g = x;
        b = c;
    } else if (h < 5) {
        r = x;
        b = c;
    } else {
        r = c;
        b = x;
    }
    const double m = l - c / 2.0;
    char buffer[8];
    auto channel = [m](double v) { return static_cast<unsigned>(std::lround((v + m) * 255.0)); };
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", channel(r), channel(g), channel(b));
    return buffer;
}

// The points of a loop, or nothing when an index lies outside the array or names a
// non-finite position.
bool LoopPoints(const Loop& loop, const std::vector<Point>& positions, std::vector<Point>& out) {
    out.clear();
    for (const Vertex& v : loop.Vertices()) {
        const int i = v.Index();
        if (i < 0 || static_cast<std::size_t>(i) >= positions.size()) return false;
        const Point& p = positions[static_cast<std::size_t>(i)];
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
        out.push_back(p);
    }
    return out.size() >= 2;
}

// Maps an item's coordinates into its cell: scaled to fit, centred, y up.
class Frame {
public:
    Frame(double minX, double minY, double maxX, double maxY, double left, double top) {
        const double w = maxX - minX, h = maxY - minY;
        const double extent = std::max(w, h);
        m_scale = extent > 0.0 ? kDrawing / extent : 1.0;
        m_left = left + (kDrawing - w * m_scale) / 2.0 - minX * m_scale;
        m_top = top + (kDrawing - h * m_scale) / 2.0 + maxY * m_scale;
    }
    double X(const Point& p) const { return m_left + p.x() * m_scale; }
    double Y(const Point& p) const { return m_top - p.y() * m_scale; }
    std::string Pair(const Point& p) const { return Num(X(p)) + "," + Num(Y(p)); }
    std::string PathOf(const std::vector<Point>& points) const {
        std::string d = "M";
        for (std::size_t i = 0; i < points.size(); ++i) d += (i ? " L" : "") + Pair(points[i]);
        return d + " Z";
    }

private:
    double m_scale;
    double m_left;
    double m_top;
};

void DrawItem(std::ostringstream& svg, const CrossSection& item, const std::vector<Loop>& convex, std::size_t index,
              const std::vector<Point>& positions, double cellLeft, double cellTop) {
    // Everything drawable, and its box.
    std::vector<std::vector<Point>> outline;  // exterior first, then holes
    std::vector<Point> points;
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    auto extend = [&](const std::vector<Point>& ps) {
        for (const Point& p : ps) {
            minX = std::min(minX, p.x());
            minY = std::min(minY, p.y());
            maxX = std::max(maxX, p.x());
            maxY = std::max(maxY, p.y());
        }
    };
    if (LoopPoints(item.ExteriorLoop(), positions, points)) {
        outline.push_back(points);
        extend(points);
    }
    for (const Loop& hole : item.InteriorLoops())
        if (LoopPoints(hole, positions, points)) {
            outline.push_back(points);
            extend(points);
        }
    std::vector<std::vector<Point>> pieces;
    std::set<std::pair<int, int>> cutKeys;
    std::vector<std::pair<Point, Point>> cuts;
    for (const Loop& loop : convex) {
        if (!LoopPoints(loop, positions, points)) continue;
        extend(points);
        if (kor::ShapeExport::SignedArea(loop, positions) > 0.0) pieces.push_back(points);
        const std::vector<Vertex>& v = loop.Vertices();
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i].Exterior()) continue;
            const std::size_t prev = (i + v.size() - 1) % v.size();
            const int a = v[prev].Index(), b = v[i].Index();
            if (a == b || !cutKeys.insert({std::min(a, b), std::max(a, b)}).second) continue;
            cuts.emplace_back(points[prev], points[i]);
        }
    }
    std::vector<Point> bridges;
    for (int i : item.AddedVertices())
        if (i >= 0 && static_cast<std::size_t>(i) < positions.size())
            bridges.push_back(positions[static_cast<std::size_t>(i)]);

    const double left = cellLeft + kPad, top = cellTop + kPad;
    svg << "  <g id=\"item-" << index << "\">\n";
    svg << "    <rect x=\"" << Num(cellLeft + 6) << "\" y=\"" << Num(cellTop + 6) << "\" width=\""
        << Num(kCellWidth - 12) << "\" height=\"" << Num(kCellHeight - 12)
        << "\" rx=\"8\" fill=\"#fafafa\" stroke=\"#e3e3e3\"/>\n";
    std::string label;
    if (minX <= maxX && minY <= maxY) {
        const Frame frame(minX, minY, maxX, maxY, left, top);
        if (!outline.empty()) {
            std::string d;
            for (const std::vector<Point>& loop : outline) d += (d.empty() ? "" : " ") + frame.PathOf(loop);
            svg << "    <path d=\"" << d << "\" fill=\"#dddddd\" fill-rule=\"evenodd\" stroke=\"none\"/>\n";
        }
        svg << "    <g stroke=\"none\">\n";
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            svg << "      <polygon points=\"";
            for (std::size_t i = 0; i < pieces[k].size(); ++i) svg << (i ? " " : "") << frame.Pair(pieces[k][i]);
            svg << "\" fill=\"" << PieceColour(k) << "\"/>\n";
        }
        svg << "    </g>\n";
        svg << "    <g fill=\"none\" stroke=\"#555555\" stroke-width=\"1.2\" stroke-dasharray=\"5 3\">\n";
        for (const auto& cut : cuts)
            svg << "      <line x1=\"" << Num(frame.X(cut.first)) << "\" y1=\"" << Num(frame.Y(cut.first)) << "\" x2=\""
                << Num(frame.X(cut.second)) << "\" y2=\"" << Num(frame.Y(cut.second)) << "\"/>\n";
        svg << "    </g>\n";
        if (!outline.empty()) {
            svg << "    <g fill=\"none\" stroke=\"#222222\" stroke-width=\"1.8\" stroke-linejoin=\"round\">\n";
            for (const std::vector<Point>& loop : outline) svg << "      <path d=\"" << frame.PathOf(loop) << "\"/>\n";
            svg << "    </g>\n";
        }
        svg << "    <g fill=\"#d62728\" stroke=\"#ffffff\" stroke-width=\"1\">\n";
        for (const Point& p : bridges)
            svg << "      <circle cx=\"" << Num(frame.X(p)) << "\" cy=\"" << Num(frame.Y(p)) << "\" r=\"4\"/>\n";
        svg << "    </g>\n";
        label = std::to_string(convex.size()) + (convex.size() == 1 ? " piece" : " pieces");
        if (!bridges.empty())
            label += ", " + std::to_string(bridges.size()) + (bridges.size() == 1 ? " bridge point" : " bridge points");
    } else {
        label = "nothing to draw";
    }
    svg << "    <text x=\"" << Num(cellLeft + kCellWidth / 2) << "\" y=\"" << Num(cellTop + kPad + kDrawing + kPad + 10)
        << "\" text-anchor=\"middle\" font-size=\"15\" fill=\"#222222\"><tspan font-weight=\"bold\">#" << index
        << "</tspan> \u00b7 " << Escape(label) << "</text>\n";
    svg << "  </g>\n";
}

void DrawLegend(std::ostringstream& svg, double top) {
    const double y = top + kLegend / 2;
    svg << "  <g font-size=\"13\" fill=\"#333333\">\n";
    svg << "    <rect x=\"20\" y=\"" << Num(y - 7) << "\" width=\"22\" height=\"14\" fill=\"" << PieceColour(0)
        << "\" stroke=\"none\"/><rect x=\"30\" y=\"" << Num(y - 7) << "\" width=\"12\" height=\"14\" fill=\""
        << PieceColour(1) << "\" stroke=\"none\"/>\n";
    svg << "    <text x=\"50\" y=\"" << Num(y + 4) << "\">convex pieces</text>\n";
    svg << "    <line x1=\"160\" y1=\"" << Num(y) << "\" x2=\"190\" y2=\"" << Num(y)
        << "\" stroke=\"#555555\" stroke-width=\"1.2\" stroke-dasharray=\"5 3\"/>\n";
    svg << "    <text x=\"198\" y=\"" << Num(y + 4) << "\">cuts</text>\n";
    svg << "    <line x1=\"250\" y1=\"" << Num(y) << "\" x2=\"280\" y2=\"" << Num(y)
        << "\" stroke=\"#222222\" stroke-width=\"1.8\"/>\n";
    svg << "    <text x=\"288\" y=\"" << Num(y + 4) << "\">outline and holes</text>\n";
    svg << "    <circle cx=\"420\" cy=\"" << Num(y) << "\" r=\"4\" fill=\"#d62728\"/>\n";
    svg << "    <text x=\"430\" y=\"" << Num(y + 4) << "\">bridge points</text>\n";
    svg << "  </g>\n";
}

// The heading as it fits `width` pixels: a long one loses the start of its last
// word (a path) at a '/', shown as an ellipsis, so that the file name stays whole.
std::string FitHeading(const std::string& title, double width) {
    constexpr double kCharWidth = 10.5;  // of the heading's bold 17-pixel font, roughly
    const std::size_t room = static_cast<std::size_t>(std::max(10.0, (width - 40.0) / kCharWidth));
    if (title.size() <= room) return title;
    const std::string ellipsis = "\u2026";
    const std::size_t word = title.rfind(' ') == std::string::npos ? 0 : title.rfind(' ') + 1;
    const std::size_t keep = room > word + 1 ? room - word - 1 : 1;  // of the last word, after the ellipsis
    std::size_t from = title.size() - std::min(keep, title.size() - word);
    const std::size_t slash = title.find('/', from);
    if (slash != std::string::npos && slash + 1 < title.size()) from = slash;
    return title.substr(0, word) + ellipsis + title.substr(from);
}

}  // namespace

std::string RenderSvg(const CrossSections& set, const std::string& title) {
    // Decompose first: it may append positions that the drawing needs.
    std::vector<std::vector<Loop>> pieces;
    for (const CrossSection& item : set.Items()) pieces.push_back(item.ConvexLoops());
    return RenderSvg(set, pieces, title);
}

std::string RenderSvg(const CrossSections& set, const std::vector<std::vector<Loop>>& pieces,
                      const std::string& title) {
    const std::vector<CrossSection>& items = set.Items();
    const std::vector<Point>& positions = set.Positions();

    const std::size_t columns = std::max<std::size_t>(1, std::min(kMaxColumns, items.size()));
    const std::size_t rows = std::max<std::size_t>(1, (items.size() + columns - 1) / columns);
    const double width = std::max(540.0, static_cast<double>(columns) * kCellWidth);
    const double height = kTitle + static_cast<double>(rows) * kCellHeight + kLegend;

    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Num(width) << "\" height=\"" << Num(height)
        << "\" viewBox=\"0 0 " << Num(width) << " " << Num(height) << "\" font-family=\"" << kFont << "\">\n"
        << "  <title>" << Escape(title) << "</title>\n"
        << "  <rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
        << "  <text x=\"20\" y=\"27\" font-size=\"17\" font-weight=\"bold\" fill=\"#222222\">"
        << Escape(FitHeading(title, width)) << "</text>\n";
    if (items.empty())
        svg << "  <text x=\"20\" y=\"" << Num(kTitle + 30)
            << "\" font-size=\"15\" fill=\"#666666\">no cross sections</text>\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const double cellLeft = static_cast<double>(i % columns) * kCellWidth;
        const double cellTop = kTitle + static_cast<double>(i / columns) * kCellHeight;
        DrawItem(svg, items[i], pieces[i], i, positions, cellLeft, cellTop);
    }
    DrawLegend(svg, kTitle + static_cast<double>(rows) * kCellHeight);
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
