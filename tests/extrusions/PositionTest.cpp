// Position: the unset marker, validity, squared distance, proximity and placement by
// a matrix (evaluation order included).
#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Position.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using kor::ShapeExport::Matrix;
using kor::ShapeExport::Position;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using Mat4 = kor::Mat<4, double>;

// Compares doubles by value, treating two NaNs as equal.
void ExpectSame(double actual, double expected, const char* what) {
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << what << ": " << actual;
    else
        EXPECT_EQ(actual, expected) << what;
}

void ExpectPosition(const Position& p, double x, double y, double z) {
    ExpectSame(p.X(), x, "x");
    ExpectSame(p.Y(), y, "y");
    ExpectSame(p.Z(), z, "z");
}

}  // namespace

TEST(Position, IsValid) {
    struct Case {
        double x, y, z;
        bool valid;
    };
    const Case cases[] = {
        {0, 0, 0, true},     {-kInf, 1, 2, true}, {1, -kInf, -kInf, true},     {1e308, -1e308, 0, true},
        {kInf, 0, 0, false}, {0, kInf, 0, false}, {0, 0, kInf, false},         {kNaN, 0, 0, false},
        {0, kNaN, 0, false}, {0, 0, kNaN, false}, {-kInf, -kInf, kNaN, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Position(c.x, c.y, c.z).IsValid(), c.valid) << c.x << ", " << c.y << ", " << c.z;
    }
    EXPECT_FALSE(Position().IsValid());
}

TEST(Position, Distance2AndNear) {
    const double below = std::nextafter(1e-4, 0.0);
    const double above = std::nextafter(1e-4, 1.0);
    const double diag = 7.0710678118654752e-5;  // two such axes: exactly 1e-8
    const double diagBelow = std::nextafter(diag, 0.0);
    struct Case {
        const char* name;
        Position a, b;
        double distance2;  // NaN: expect NaN
        bool near;
    };
    const Case cases[] = {
        {"3-4-5", {1, 2, 3}, {4, 6, 3}, 25.0, false},
        {"same point", {1, 2, 3}, {1, 2, 3}, 0.0, true},
        {"exactly 1e-8 is not near", {0, 0, 0}, {1e-4, 0, 0}, 1e-8, false},
        {"exactly 1e-8 on z", {0, 0, 0}, {0, 0, -1e-4}, 1e-8, false},
        {"half the tolerance", {0, 0, 0}, {0.00005, 0, 0}, 0.00005 * 0.00005, true},
        {"just below", {0, 0, 0}, {0, below, 0}, below * below, true},
        {"just above", {0, 0, 0}, {0, above, 0}, above * above, false},
        {"two axes, exactly 1e-8", {0, 0, 0}, {diag, diag, 0}, 1e-8, false},
        {"two axes, just below",
         {0, 0, 0},
         {0, diagBelow, diagBelow},
         diagBelow * diagBelow + diagBelow * diagBelow,
         true},
        {"both unset", Position(), Position(), kNaN, true},
        {"same infinity in z", {1, 2, kInf}, {9, 9, kInf}, kNaN, true},
        {"same -infinity in x", {-kInf, 0, 0}, {-kInf, 100, 100}, kNaN, true},
        {"unset against finite", {0, 0, 0}, Position(), kInf, false},
        {"opposite infinities", {kInf, 0, 0}, {-kInf, 0, 0}, kInf, false},
        {"infinity against finite", {kInf, 0, 0}, {1e300, 0, 0}, kInf, false},
        {"NaN is near anything", {kNaN, 0, 0}, {1e9, -1e9, 5}, kNaN, true},
        {"NaN near unset", {0, kNaN, 0}, Position(), kNaN, true},
        {"overflow to infinity", {1e200, 0, 0}, {-1e200, 0, 0}, kInf, false},
        {"huge and equal", {1e300, -1e300, 1e154}, {1e300, -1e300, 1e154}, 0.0, true},
    };
    for (const Case& c : cases) {
        ExpectSame(c.a.Distance2(c.b), c.distance2, c.name);
        ExpectSame(c.b.Distance2(c.a), c.distance2, c.name);
        EXPECT_EQ(c.a.Near(c.b), c.near) << c.name;
        EXPECT_EQ(c.b.Near(c.a), c.near) << c.name;
    }
}

TEST(Position, PlacedByMatrix) {
    struct Case {
        const char* name;
        int set[4];  // up to two (index, value) assignments on top of the identity
        double values[2];
        double x, y, z;
        double ex, ey, ez;
    };
    const Case cases[] = {
        {"identity", {-1, -1}, {0, 0}, 1, 2, 3, 1, 2, 3},
        {"weight 2", {15, -1}, {2, 0}, 1, 2, 3, 0.5, 1, 1.5},
        {"weight z", {11, 15}, {1, 0}, 2, 4, 2, 1, 2, 1},
        {"weight z at origin", {11, 15}, {1, 0}, 0, 0, 0, kNaN, kNaN, kNaN},
        {"weight 0", {15, -1}, {0, 0}, 1, -1, 0, kInf, -kInf, kNaN},
        {"scale x", {0, -1}, {1e-4, 0}, 1, 0, 0, 1e-4, 0, 0},
    };
    for (const Case& c : cases) {
        Mat4 mat = Mat4::Identity();
        for (int k = 0; k < 2; ++k)
            if (c.set[k] >= 0) mat.m[c.set[k]] = c.values[k];
        const Position p(c.x, c.y, c.z, Matrix(mat));
        SCOPED_TRACE(c.name);
        ExpectPosition(p, c.ex, c.ey, c.ez);
    }

    Mat4 translate = Mat4::Identity();
    translate.m[12] = 10;
    translate.m[13] = 20;
    translate.m[14] = 30;
    ExpectPosition(Position(1, 2, 3, Matrix(translate)), 11, 22, 33);

    // Rows of four: (x, y, z, 1) times the matrix. A rotation by 90 degrees about z.
    Mat4 rot = Mat4::Identity();
    rot.m[0] = 0;
    rot.m[1] = 1;
    rot.m[4] = -1;
    rot.m[5] = 0;
    ExpectPosition(Position(1, 2, 3, Matrix(rot)), -2, 1, 3);
}

TEST(Position, PlacementEvaluationOrder) {
    // r0 = ((x*m0 + y*m4) + z*m8) + m12 = ((1e16 + 1) + 1) - 1e16 = 0; any other
    // grouping gives 2.
    Mat4 mat = Mat4::Identity();
    mat.m[4] = 1;
    mat.m[8] = 1;
    mat.m[12] = -1e16;
    EXPECT_EQ(Position(1e16, 1, 1, Matrix(mat)).X(), 0.0);

    // The results are multiplied by 1/w, not divided by w: 5 * (1/3) != 5 / 3.
    Mat4 weight = Mat4::Identity();
    weight.m[15] = 3;
    const Position p(5, 7, 10, Matrix(weight));
    EXPECT_EQ(p.X(), 1.6666666666666665);
    EXPECT_EQ(p.Y(), 2.333333333333333);
    EXPECT_EQ(p.Z(), 3.333333333333333);
    EXPECT_NE(p.X(), 5.0 / 3.0);
}
