// Convex decomposition on hostile input: wrong orientation, holes outside, crossing
// or touching the outline or each other, self-crossing and self-touching outlines,
// repeated indices and coordinates, a thousand holes, 50 000-vertex outlines, huge
// and tiny coordinates, NaN and infinite coordinates, indices out of range.
//
// Every case must end, name only positions that exist, record every position it
// appends and leave the given positions alone. Beyond that, by kind of input:
//   - proper polygons (counter-clockwise outline, clockwise holes strictly inside):
//     the signed areas of the convex loops add up to the outline minus the holes,
//     and no loop is negative (the absolute areas add up to the same);
//   - any other finite input: the signed areas still add up (every splice and cut
//     only adds an edge and its reverse);
//   - non-finite coordinates: nothing more;
//   - an index outside the array: the loops are handed back as they are.
// The running time of every case is printed, and the worst one at the end; nothing
// is asserted on time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>

#include "LoopText.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::Loop;
using testing_support::Points;
using testing_support::SignedArea;

namespace {

const double kPi = 3.14159265358979323846;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Shape {
    Points positions;
    std::vector<int> exterior;
    std::vector<std::vector<int>> holes;

    int Add(double x, double y) {
        positions.emplace_back(x, y);
        return static_cast<int>(positions.size()) - 1;
    }
    // A new loop through new positions at the given points.
    std::vector<int> Ring(const std::vector<std::pair<double, double>>& points) {
        std::vector<int> loop;
        for (const auto& p : points) loop.push_back(Add(p.first, p.second));
        return loop;
    }
    // Axis-aligned square, counter-clockwise or clockwise.
    std::vector<int> Square(double x, double y, double size, bool ccw) {
        if (ccw) return Ring({{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}});
        return Ring({{x, y}, {x, y + size}, {x + size, y + size}, {x + size, y}});
    }
    Shape& Scaled(double factor) {
        for (auto& p : positions) p = kor::Vec<2, double>(p.x() * factor, p.y() * factor);
        return *this;
    }
};

// A counter-clockwise square 0..10 with the given holes added by `holes`.
Shape SquareWith(const std::function<void(Shape&)>& holes) {
    Shape s;
    s.exterior = s.Square(0, 0, 10, true);
    holes(s);
    return s;
}

// Regular polygon of n vertices, counter-clockwise.
Shape Circle(int n, double radius) {
    Shape s;
    for (int i = 0; i < n; ++i) {
        const double angle = 2.0 * kPi * i / n;
        s.exterior.push_back(s.Add(radius * std::cos(angle), radius * std::sin(angle)));
    }
    return s;
}

// A bar 0..teeth along x, 1 high, with a zig-zag of `teeth` triangular teeth on top
// (2 * teeth + 2 vertices), counter-clockwise: every valley is a reflex corner.
Shape ZigZag(int teeth) {
    Shape s;
    s.exterior.push_back(s.Add(0, 0));
    s.exterior.push_back(s.Add(teeth, 0));
    for (int i = teeth; i > 0; --i) {
        s.exterior.push_back(s.Add(i, 1));
        s.exterior.push_back(s.Add(i - 0.5, 10));
    }
    return s;
}

// A comb with `teeth` rectangular teeth and a clockwise square hole in the bar under
// every second tooth.
Shape Comb(int teeth) {
    Shape s;
    s.exterior = s.Ring({{0, 0}, {4.0 * teeth, 0}, {4.0 * teeth, 4}});
    for (int i = teeth - 1; i >= 0; --i) {
        const std::vector<int> tooth = s.Ring({{4.0 * i + 3, 4}, {4.0 * i + 3, 9}, {4.0 * i + 1, 9}, {4.0 * i + 1, 4}});
        s.exterior.insert(s.exterior.end(), tooth.begin(), tooth.end());
    }
    s.exterior.push_back(s.Add(0, 4));
    for (int i = 0; i < teeth; i += 2) s.holes.push_back(s.Square(4.0 * i + 1, 1, 2, false));
    return s;
}

Shape Reversed(Shape s) {
    std::reverse(s.exterior.begin(), s.exterior.end());
    return s;
}

enum class Kind {
    Proper,      // simple, counter-clockwise outline, clockwise holes strictly inside
    Finite,      // finite coordinates, anything else
    NonFinite,   // NaN or infinite coordinates (or products that overflow)
    OutOfRange,  // some index outside the array
};

struct Case {
    const char* name;
    Kind kind;
    std::function<Shape()> make;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::vector<Case> Cases() {
    return {
        // Proper polygons, large ones included.
        {"thousand_holes", Kind::Proper,
         [] {
             Shape s;
             s.exterior = s.Square(0, 0, 160, true);
             for (int i = 0; i < 40; ++i)
                 for (int j = 0; j < 25; ++j) s.holes.push_back(s.Square(4.0 * i + 1, 4.0 * j + 1, 2, false));
             return s;
         }},
        {"circle_50000", Kind::Proper, [] { return Circle(50000, 1e4); }},
        {"circle_50000_nearly_straight_corners", Kind::Proper, [] { return Circle(50000, 1.0); }},
        // Every valley of a zig-zag is cut off by its own pass over the whole outline:
        // quadratic, so kept to 4000 vertices (50 000 take about a minute).
        {"zigzag_4000", Kind::Proper, [] { return ZigZag(1999); }},
        // Teeth below the tolerances: no corner is strictly convex, one pass.
        {"zigzag_50000_below_tolerance", Kind::Proper, [] { return ZigZag(24999).Scaled(1e-9); }},
        {"comb_with_holes", Kind::Proper, [] { return Comb(200); }},
        {"comb_at_1e9", Kind::Proper, [] { return Comb(50).Scaled(1e9); }},
        {"comb_at_1e_minus_9", Kind::Proper, [] { return Comb(50).Scaled(1e-9); }},
        {"zigzag_at_1e9", Kind::Proper, [] { return ZigZag(500).Scaled(1e9); }},
        {"zigzag_at_1e_minus_9", Kind::Proper, [] { return ZigZag(500).Scaled(1e-9); }},

        // Orientation.
        {"clockwise_square", Kind::Finite, [] { return Reversed(SquareWith([](Shape&) {})); }},
        {"clockwise_comb", Kind::Finite, [] { return Reversed(Comb(20)); }},
        {"clockwise_zigzag", Kind::Finite, [] { return Reversed(ZigZag(200)); }},
        {"counter_clockwise_hole", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(4, 4, 2, true)); }); }},

        // Holes in the wrong place.
        {"hole_left_of_outline", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(-5, 4, 2, false)); }); }},
        {"hole_right_of_outline", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(15, 4, 2, false)); }); }},
        {"hole_above_outline", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(4, 15, 2, false)); }); }},
        {"hole_around_outline", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(-5, -5, 20, false)); }); }},
        {"hole_crossing_outline", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(8, 4, 4, false)); }); }},
        {"hole_crossing_left_edge", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Square(-2, 4, 4, false)); }); }},
        {"hole_inside_hole", Kind::Finite,
         [] {
             return SquareWith([](Shape& s) {
                 s.holes.push_back(s.Square(2, 2, 6, false));
                 s.holes.push_back(s.Square(4, 4, 2, false));
             });
         }},

        // Holes touching the outline or each other.
        {"hole_sharing_outline_vertex", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back({0, s.Add(2, 4), s.Add(4, 2)}); }); }},
        {"hole_touching_outline_coordinate", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Ring({{0, 5}, {3, 7}, {3, 3}})); }); }},
        {"hole_on_outline_edge", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Ring({{0, 4}, {0, 6}, {3, 6}, {3, 4}})); }); }},
        {"hole_along_whole_left_edge", Kind::Finite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Ring({{0, 0}, {0, 10}, {3, 10}, {3, 0}})); }); }},
        {"holes_sharing_a_vertex", Kind::Finite,
         [] {
             return SquareWith([](Shape& s) {
                 const int shared = s.Add(5, 5);
                 s.holes.push_back({shared, s.Add(3, 3), s.Add(3, 7)});
                 s.holes.push_back({shared, s.Add(7, 7), s.Add(7, 3)});
             });
         }},
        {"holes_sharing_an_edge", Kind::Finite,
         [] {
             return SquareWith([](Shape& s) {
                 s.holes.push_back(s.Square(2, 4, 3, false));
                 s.holes.push_back(s.Square(5, 4, 3, false));
             });
         }},
        {"same_hole_twice", Kind::Finite,
         [] {
             return SquareWith([](Shape& s) {
                 s.holes.push_back(s.Square(4, 4, 2, false));
                 s.holes.push_back(s.holes.back());
             });
         }},
        {"holes_in_a_column", Kind::Finite,
         [] {
             return SquareWith([](Shape& s) {
                 for (int j = 0; j < 9; ++j) s.holes.push_back(s.Square(4, j + 0.5, 1, false));
             });
         }},

        // Self-crossing and self-touching outlines.
        {"bow_tie", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Ring({{0, 0}, {4, 4}, {4, 0}, {0, 4}});
             return s;
         }},
        {"figure_eight_through_one_vertex", Kind::Finite,
         [] {
             Shape s;
             const int mid = s.Add(2, 2);
             s.exterior = {s.Add(0, 0), s.Add(2, 0), mid, s.Add(4, 2), s.Add(4, 4), s.Add(2, 4), mid, s.Add(0, 2)};
             return s;
         }},
        {"figure_eight_crossing_with_hole", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Ring({{0, 0}, {6, 0}, {0, 6}, {6, 6}});
             s.holes.push_back(s.Square(2, 0.5, 1, false));
             return s;
         }},
        {"spiral_crossing_itself", Kind::Finite,
         [] {
             Shape s;
             for (int i = 0; i < 300; ++i) {
                 const double angle = 0.37 * i;
                 s.exterior.push_back(s.Add((1 + 0.1 * i) * std::cos(angle), (1 + 0.1 * i) * std::sin(angle)));
             }
             return s;
         }},

        // Repeated indices and coordinates, degenerate outlines.
        {"repeated_consecutive_indices", Kind::Finite,
         [] {
             Shape s = SquareWith([](Shape&) {});
             s.exterior = {0, 1, 1, 2, 2, 2, 3, 0};
             return s;
         }},
        {"outline_walked_twice", Kind::Finite,
         [] {
             Shape s = ZigZag(5);
             const std::vector<int> once = s.exterior;
             s.exterior.insert(s.exterior.end(), once.begin(), once.end());
             return s;
         }},
        {"one_index_repeated", Kind::Finite,
         [] {
             Shape s = SquareWith([](Shape&) {});
             s.exterior = {2, 2, 2, 2, 2};
             return s;
         }},
        {"all_positions_at_one_point", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Ring({{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
             s.holes.push_back(s.Ring({{1, 1}, {1, 1}, {1, 1}}));
             return s;
         }},
        {"doubled_corner_coordinates", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Ring({{0, 0}, {0, 0}, {4, 0}, {4, 0}, {4, 2}, {2, 2}, {2, 2}, {2, 4}, {0, 4}, {0, 4}});
             s.holes.push_back(s.Ring({{1, 1}, {1, 1}, {1, 1.5}, {1.5, 1.5}, {1.5, 1}}));
             return s;
         }},
        {"collinear_outline", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Ring({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {1, 1}});
             s.holes.push_back(s.Ring({{0.5, 0.5}, {1.5, 1.5}, {0.7, 0.7}}));
             return s;
         }},
        {"huge_outline_tiny_hole", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Square(0, 0, 1e9, true);
             s.holes.push_back(s.Square(5e8, 5e8, 1e-9, false));
             return s;
         }},
        {"tiny_outline_huge_hole", Kind::Finite,
         [] {
             Shape s;
             s.exterior = s.Square(0, 0, 1e-9, true);
             s.holes.push_back(s.Square(-1e9, -1e9, 1e9, false));
             return s;
         }},
        {"outline_far_from_origin", Kind::Finite,
         [] {
             Shape s = Comb(20);
             for (auto& p : s.positions) p = kor::Vec<2, double>(p.x() + 1e9, p.y() - 1e9);
             return s;
         }},

        // Non-finite coordinates.
        {"nan_outline_vertex", Kind::NonFinite,
         [] { return SquareWith([](Shape& s) { s.positions[2] = kor::Vec<2, double>(kNaN, 10); }); }},
        {"nan_in_comb_and_hole", Kind::NonFinite,
         [] {
             Shape s = Comb(30);
             s.positions[7] = kor::Vec<2, double>(kNaN, kNaN);
             s.positions[s.holes[1][2]] = kor::Vec<2, double>(2, kNaN);
             return s;
         }},
        {"all_nan", Kind::NonFinite,
         [] {
             Shape s;
             s.exterior = s.Ring({{kNaN, kNaN}, {kNaN, kNaN}, {kNaN, kNaN}, {kNaN, kNaN}});
             s.holes.push_back(s.Ring({{kNaN, 0}, {kNaN, 1}, {kNaN, 2}}));
             return s;
         }},
        {"infinite_outline_vertex", Kind::NonFinite,
         [] { return SquareWith([](Shape& s) { s.positions[1] = kor::Vec<2, double>(kInf, 0); }); }},
        {"hole_at_minus_infinity", Kind::NonFinite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Ring({{-kInf, 5}, {4, 6}, {4, 4}})); }); }},
        {"hole_with_infinite_y", Kind::NonFinite,
         [] { return SquareWith([](Shape& s) { s.holes.push_back(s.Ring({{4, -kInf}, {4, kInf}, {6, 5}})); }); }},
        {"zigzag_with_infinities", Kind::NonFinite,
         [] {
             Shape s = ZigZag(100);
             for (std::size_t i = 3; i < s.positions.size(); i += 17)
                 s.positions[i] = kor::Vec<2, double>(i % 2 ? kInf : -kInf, s.positions[i].y());
             return s;
         }},
        {"products_overflow_1e300", Kind::NonFinite, [] { return Comb(10).Scaled(1e300); }},
        {"largest_double", Kind::NonFinite,
         [] {
             const double m = std::numeric_limits<double>::max();
             Shape s;
             s.exterior = s.Ring({{-m, -m}, {m, -m}, {m, m}, {0, 0}, {-m, m}});
             s.holes.push_back(s.Ring({{-m / 2, 0}, {-m / 4, m / 2}, {-m / 4, 0}}));
             return s;
         }},

        // Indices outside the array.
        {"outline_index_one_past_the_end", Kind::OutOfRange,
         [] {
             Shape s = SquareWith([](Shape& s2) { s2.holes.push_back(s2.Square(4, 4, 2, false)); });
             s.exterior.push_back(static_cast<int>(s.positions.size()));
             return s;
         }},
        {"negative_outline_index", Kind::OutOfRange,
         [] {
             Shape s = Comb(5);
             s.exterior[3] = -1;
             return s;
         }},
        {"hole_index_out_of_range", Kind::OutOfRange,
         [] {
             Shape s = Comb(6);
             s.holes[1][2] = INT_MAX;
             return s;
         }},
        {"lowest_index", Kind::OutOfRange,
         [] {
             Shape s = SquareWith([](Shape&) {});
             s.exterior.insert(s.exterior.begin() + 2, INT_MIN);
             return s;
         }},
    };
}

// Running times of the cases run in this process, the worst printed at the end.
std::vector<std::pair<double, std::string>>& Timings() {
    static std::vector<std::pair<double, std::string>> timings;
    return timings;
}

class WorstTime : public testing::Environment {
public:
    void TearDown() override {
        auto& t = Timings();
        if (t.empty()) return;
        const auto worst = std::max_element(t.begin(), t.end());
        std::printf("adversarial decomposition: %zu cases, worst %.3f s (%s)\n", t.size(), worst->first,
                    worst->second.c_str());
    }
};

const testing::Environment* const kWorstTime = testing::AddGlobalTestEnvironment(new WorstTime);

double LoopArea(const std::vector<int>& loop, const Points& p) {
    double twice = 0.0;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const auto& a = p[static_cast<std::size_t>(loop[i])];
        const auto& b = p[static_cast<std::size_t>(loop[(i + 1) % loop.size()])];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return twice / 2.0;
}

class Adversarial : public testing::TestWithParam<Case> {};

TEST_P(Adversarial, EndsWithIndicesInRange) {
    const Case& c = GetParam();
    const Shape shape = c.make();
    Points positions = shape.positions;
    const CrossSection section = testing_support::MakeSection(positions, shape.exterior, shape.holes);

    const auto start = std::chrono::steady_clock::now();
    const std::vector<Loop>& convex = section.ConvexLoops();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Timings().emplace_back(seconds, c.name);
    std::size_t vertices = shape.exterior.size();
    for (const auto& hole : shape.holes) vertices += hole.size();
    std::printf("%-40s %6zu vertices %2zu holes -> %6zu loops, %zu added: %.3f s\n", c.name, vertices,
                shape.holes.size(), convex.size(), section.AddedVertices().size(), seconds);

    // The given positions are left alone; appended ones are all recorded.
    ASSERT_GE(positions.size(), shape.positions.size());
    for (std::size_t i = 0; i < shape.positions.size(); ++i) {
        const auto& p = positions[i];
        const auto& q = shape.positions[i];
        EXPECT_TRUE((p.x() == q.x() || (std::isnan(p.x()) && std::isnan(q.x()))) &&
                    (p.y() == q.y() || (std::isnan(p.y()) && std::isnan(q.y()))))
            << "position " << i;
    }
    ASSERT_EQ(section.AddedVertices().size(), positions.size() - shape.positions.size());
    for (std::size_t k = 0; k < section.AddedVertices().size(); ++k)
        EXPECT_EQ(section.AddedVertices()[k], static_cast<int>(shape.positions.size() + k));

    if (c.kind == Kind::OutOfRange) {
        // Handed back as they are: the outline, then the holes.
        std::vector<std::string> expected{testing_support::Text(section.ExteriorLoop())};
        for (const Loop& hole : section.InteriorLoops()) expected.push_back(testing_support::Text(hole));
        EXPECT_EQ(testing_support::Texts(convex), expected);
        EXPECT_TRUE(section.AddedVertices().empty());
        return;
    }

    ASSERT_FALSE(convex.empty());
    for (const Loop& loop : convex)
        for (const kor::ShapeExport::Vertex& v : loop.Vertices())
            ASSERT_TRUE(v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < positions.size())
                << "index " << v.Index() << " of " << positions.size();
    if (c.kind == Kind::NonFinite) return;

    double expected = LoopArea(shape.exterior, shape.positions);
    double magnitude = std::fabs(expected);
    for (const auto& hole : shape.holes) {
        expected += LoopArea(hole, shape.positions);
        magnitude += std::fabs(LoopArea(hole, shape.positions));
    }
    double total = 0.0;
    double absolute = 0.0;
    for (const Loop& loop : convex) {
        const double area = SignedArea(loop, positions);
        total += area;
        absolute += std::fabs(area);
    }
    const double tolerance = 1e-9 * magnitude + 1e-300;
    EXPECT_NEAR(total, expected, tolerance);
    if (c.kind == Kind::Proper) {
        EXPECT_NEAR(absolute, expected, tolerance) << "a loop turns the wrong way";
    }
}

std::string CaseName(const testing::TestParamInfo<Case>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(Decomposition, Adversarial, testing::ValuesIn(Cases()), CaseName);

}  // namespace
