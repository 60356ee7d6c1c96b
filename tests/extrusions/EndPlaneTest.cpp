// EndPlane: defaults and reading from documents.
#include "DocumentSupport.h"

#include <kor/ShapeExport/EndPlane.h>

#include <cmath>
#include <limits>

using kor::ShapeExport::EndPlane;
using kor::ShapeExport::Position;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

void ExpectPosition(const Position& p, double x, double y, double z) {
    EXPECT_EQ(p.X(), x);
    EXPECT_EQ(p.Y(), y);
    EXPECT_EQ(p.Z(), z);
}

void ExpectUnset(const Position& p) { ExpectPosition(p, kInf, kInf, kInf); }

}  // namespace

TEST(EndPlane, Defaults) {
    const EndPlane plane;
    EXPECT_TRUE(plane.IsStart());
    EXPECT_EQ(plane.Skew(), 0.0);
    ExpectUnset(plane.Origin());
    ExpectUnset(plane.Normal());
    EXPECT_FALSE(plane.Origin().IsValid());
    EXPECT_FALSE(plane.Normal().IsValid());
}

TEST(EndPlane, FromFullObject) {
    EndPlane plane;
    EXPECT_TRUE(plane.from(Parse(R"({"Start": false, "Origin": [0, 0, 12.5], "Normal": [0, 0, 1], "Skew": 0.25})")));
    EXPECT_FALSE(plane.IsStart());
    ExpectPosition(plane.Origin(), 0, 0, 12.5);
    ExpectPosition(plane.Normal(), 0, 0, 1);
    EXPECT_EQ(plane.Skew(), 0.25);
}

TEST(EndPlane, FromSingleKeys) {
    struct Case {
        const char* json;
        bool start;
        double skew;
    };
    // Each read into a fresh plane; origin and normal stay unset.
    const Case cases[] = {
        {"{}", true, 0.0},
        {"[1, 2, 3]", true, 0.0},  // no object, no keys
        {"7", true, 0.0},
        {R"({"Start": 0})", true, 0.0},  // only a boolean counts
        {R"({"Start": "false"})", true, 0.0},
        {R"({"Start": null})", true, 0.0},
        {R"({"Start": false})", false, 0.0},
        {R"({"Start": true})", true, 0.0},
        {R"({"Skew": -3})", true, -3.0},
        {R"({"Skew": "wide"})", true, 0.0},
        {R"({"skew": 5, "start": false, "origin": [1, 1, 1]})", true, 0.0},  // keys are case-sensitive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        EndPlane plane;
        EXPECT_TRUE(plane.from(Parse(c.json)));
        EXPECT_EQ(plane.IsStart(), c.start);
        EXPECT_EQ(plane.Skew(), c.skew);
        ExpectUnset(plane.Origin());
        ExpectUnset(plane.Normal());
    }
}

TEST(EndPlane, PositionsAsRead) {
    EndPlane plane;
    EXPECT_TRUE(plane.from(Parse(R"({"Origin": [1, 2]})")));
    ExpectPosition(plane.Origin(), 1, 2, kInf);
    EXPECT_FALSE(plane.Origin().IsValid());
    ExpectUnset(plane.Normal());

    EXPECT_TRUE(plane.from(Parse(R"({"Normal": [0, 0, 2]})")));  // not normalised
    ExpectPosition(plane.Normal(), 0, 0, 2);
    ExpectPosition(plane.Origin(), 1, 2, kInf);  // kept: the key is missing

    EXPECT_TRUE(plane.from(Parse(R"({"Origin": 5})")));  // present but no array: all unset
    ExpectUnset(plane.Origin());
    ExpectPosition(plane.Normal(), 0, 0, 2);
}

TEST(EndPlane, LaterReadsMixWithEarlierValues) {
    EndPlane plane;
    EXPECT_TRUE(plane.from(Parse(R"({"Start": false, "Skew": 1, "Origin": [1, 1, 1]})")));
    EXPECT_TRUE(plane.from(Parse(R"({"Skew": 3})")));
    EXPECT_FALSE(plane.IsStart());
    EXPECT_EQ(plane.Skew(), 3.0);
    ExpectPosition(plane.Origin(), 1, 1, 1);

    EXPECT_TRUE(plane.from(Parse(R"({"Start": 1, "Skew": true})")));  // start kept, skew read as 0.0
    EXPECT_FALSE(plane.IsStart());
    EXPECT_EQ(plane.Skew(), 0.0);

    EXPECT_TRUE(plane.from(Parse(R"({"Start": true})")));
    EXPECT_TRUE(plane.IsStart());
}
