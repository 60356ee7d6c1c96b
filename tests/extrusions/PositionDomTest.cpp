// Position::from and Position::to on documents.
#include "DocumentSupport.h"

#include <kor/ShapeExport/Position.h>

#include <cmath>
#include <limits>

using kor::ShapeExport::Position;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectSame(double actual, double expected, const char* what) {
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << what << ": " << actual;
    else
        EXPECT_EQ(actual, expected) << what;
}

}  // namespace

TEST(PositionDom, From) {
    struct Case {
        const char* json;
        double x, y, z;
        bool valid;
    };
    const Case cases[] = {
        {"[]", kInf, kInf, kInf, false},
        {"[1, 2]", 1, 2, kInf, false},
        {"[1, 2, 3]", 1, 2, 3, true},
        {"[1, 2, 3, 4]", 1, 2, 3, true},
        {"[-1.5, 0.25, 1e300]", -1.5, 0.25, 1e300, true},
        {"[1, \"two\", true]", 1, 0, 0, true},  // non-numbers read as 0.0
        {"[null, [5], {}]", 0, 0, 0, true},
        {"[-Infinity, NaN, 7]", -kInf, kNaN, 7, false},
        {"[Infinity, 0, 0]", kInf, 0, 0, false},
        {"{\"x\": 1, \"y\": 2, \"z\": 3}", kInf, kInf, kInf, false},  // no array: size 0
        {"12", kInf, kInf, kInf, false},
        {"\"1, 2, 3\"", kInf, kInf, kInf, false},
        {"null", kInf, kInf, kInf, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        Position p(5, 6, 7);  // every component is overwritten
        EXPECT_TRUE(p.from(Parse(c.json)));
        ExpectSame(p.X(), c.x, "x");
        ExpectSame(p.Y(), c.y, "y");
        ExpectSame(p.Z(), c.z, "z");
        EXPECT_EQ(p.IsValid(), c.valid);
    }
}

TEST(PositionDom, FromOverwritesEverything) {
    Position p(5, 6, 7);
    EXPECT_TRUE(p.from(Parse("[1]")));
    ExpectSame(p.X(), 1, "x");
    ExpectSame(p.Y(), kInf, "y");
    ExpectSame(p.Z(), kInf, "z");
}

TEST(PositionDom, ToAppendsThreeNumbers) {
    kor::Dom array = Parse("[\"first\", 2]");
    Position(1.5, -kInf, 3).to(array);
    ASSERT_EQ(array.size(), 5u);
    EXPECT_EQ(array[0].asString(), "first");
    EXPECT_EQ(array[1].asInt(0), 2);
    for (std::size_t k = 2; k < 5; ++k) EXPECT_TRUE(array[k].isDouble()) << k;
    EXPECT_EQ(array[2].asDouble(0), 1.5);
    EXPECT_EQ(array[3].asDouble(0), -kInf);
    EXPECT_EQ(array[4].asDouble(0), 3.0);

    // Unset components are written as +infinity, and a second call appends again.
    Position().to(array);
    ASSERT_EQ(array.size(), 8u);
    for (std::size_t k = 5; k < 8; ++k) EXPECT_EQ(array[k].asDouble(0), kInf) << k;
}

TEST(PositionDom, RoundTrip) {
    const Position cases[] = {{1, 2, 3}, {-0.1, 1e-300, 1e300}, Position(), {kNaN, -kInf, 0}};
    for (const Position& p : cases) {
        kor::Dom node;
        p.to(node);
        ASSERT_EQ(node.size(), 3u);
        Position q;
        EXPECT_TRUE(q.from(node));
        ExpectSame(q.X(), p.X(), "x");
        ExpectSame(q.Y(), p.Y(), "y");
        ExpectSame(q.Z(), p.Z(), "z");
    }
}
