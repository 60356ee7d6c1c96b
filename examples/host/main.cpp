// Example host: builds a square with a square hole, decomposes it into convex
// loops and prints them, then checks what a host relies on:
//   - the pieces cover the square minus the hole (area 16 - 4 = 12), each one
//     convex and counter-clockwise;
//   - a default-constructed loop refers to the library's exported empty array
//     Loop::m_emptyPositions (on Windows the host reaches that static data member
//     through the DLL's import table, so both addresses must agree).
// Prints "host: ok" and exits with 0 when everything holds, 1 otherwise.
#include <cstddef>
#include <cstdio>
#include <vector>

#include <kor/ShapeExport/ShapeExport.h>

namespace {

using Point = kor::Vec<2, double>;

int failures = 0;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::printf("host: FAILED: %s\n", what);
        ++failures;
    }
}

const Point& At(const std::vector<Point>& positions, const kor::ShapeExport::Vertex& vertex) {
    return positions[static_cast<std::size_t>(vertex.Index())];
}

// Twice the signed area; positive for a counter-clockwise loop.
double TwiceArea(const kor::ShapeExport::Loop& loop, const std::vector<Point>& positions) {
    const std::vector<kor::ShapeExport::Vertex>& v = loop.Vertices();
    double sum = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const Point& p = At(positions, v[i]);
        const Point& q = At(positions, v[(i + 1) % v.size()]);
        sum += p.x() * q.y() - q.x() * p.y();
    }
    return sum;
}

}  // namespace

int main() {
    // Outline 0..3 counter-clockwise, hole 4..7 clockwise.
    std::vector<Point> positions = {{0.0, 0.0}, {4.0, 0.0}, {4.0, 4.0}, {0.0, 4.0},
                                    {1.0, 1.0}, {1.0, 3.0}, {3.0, 3.0}, {3.0, 1.0}};
    const std::size_t given = positions.size();

    kor::ShapeExport::CrossSection section(positions, false);
    for (int i = 0; i < 4; ++i) section.GetExteriorLoop().AddVertex(i, true);
    kor::ShapeExport::Loop& hole = section.AddInteriorLoop();
    for (int i = 4; i < 8; ++i) hole.AddVertex(i, true);

    const std::vector<kor::ShapeExport::Loop>& loops = section.ConvexLoops();
    double area = 0.0;
    bool convex = true;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        std::printf("convex loop %zu:", i);
        for (const kor::ShapeExport::Vertex& v : loops[i].Vertices()) {
            const Point& p = At(positions, v);
            std::printf(" %d(%g,%g)", v.Index(), p.x(), p.y());
        }
        std::printf("\n");
        convex = convex && kor::ShapeExport::IsConvex(loops[i], positions) && TwiceArea(loops[i], positions) > 0.0;
        area += TwiceArea(loops[i], positions) / 2.0;
    }
    std::printf("%zu convex loops, %zu positions added by hole removal\n", loops.size(), positions.size() - given);
    Check(loops.size() >= 2, "a square with a hole needs at least two convex pieces");
    Check(convex, "every piece is convex and counter-clockwise");
    Check(area == 12.0, "the pieces cover the square minus the hole");
    Check(section.AddedVertices().size() == positions.size() - given,
          "added vertices are the positions appended to the array");

    const kor::ShapeExport::Loop empty;
    Check(&empty.Positions() == &kor::ShapeExport::Loop::m_emptyPositions,
          "a default loop refers to Loop::m_emptyPositions");
    Check(kor::ShapeExport::Loop::m_emptyPositions.empty(), "Loop::m_emptyPositions is empty");
    Check(empty.Vertices().empty(), "a default loop has no vertices");

    if (failures != 0) return 1;
    std::printf("host: ok\n");
    return 0;
}
