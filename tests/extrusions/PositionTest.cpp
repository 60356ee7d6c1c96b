// Position: validity, squared distance, proximity and placement by a matrix,
// evaluation order included (tests/data/extrusions/positions.json).
#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Position.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestData.h"

using kor::Dom;
using kor::ShapeExport::Matrix;
using kor::ShapeExport::Position;
using testing_support::Number;

namespace {

Position PositionOf(const Dom& node) {
    return node.isEmpty() ? Position() : Position(Number(node[0]), Number(node[1]), Number(node[2]));
}

// Equal doubles, or both NaN.
void ExpectSame(double actual, double expected) {
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << actual;
    else
        EXPECT_EQ(actual, expected);
}

}  // namespace

TEST(Position, Cases) {
    const Dom data = testing_support::LoadData("extrusions/positions.json");
    for (std::size_t k = 0; k < data["Valid"].size(); ++k)
        EXPECT_EQ(PositionOf(data["Valid"][k][0]).IsValid(), data["Valid"][k][1].asBool(false)) << k;
    for (std::size_t k = 0; k < data["Distance"].size(); ++k) {
        const Dom& c = data["Distance"][k];
        SCOPED_TRACE(c["name"].asString());
        const Position a = PositionOf(c["a"]), b = PositionOf(c["b"]);
        ExpectSame(a.Distance2(b), Number(c["distance2"]));
        ExpectSame(b.Distance2(a), Number(c["distance2"]));
        EXPECT_EQ(a.Near(b), c["near"].asBool(false));
        EXPECT_EQ(b.Near(a), c["near"].asBool(false));
    }
    for (std::size_t k = 0; k < data["Placement"].size(); ++k) {
        const Dom& c = data["Placement"][k];
        SCOPED_TRACE(c["name"].asString());
        kor::Mat<4, double> matrix = kor::Mat<4, double>::Identity();
        for (const Dom::Member& entry : c["set"].objects()) matrix.m[std::stoi(entry.first)] = Number(entry.second);
        const Position point = PositionOf(c["point"]), placed(point.X(), point.Y(), point.Z(), Matrix(matrix));
        const Position expected = PositionOf(c["placed"]);
        ExpectSame(placed.X(), expected.X());
        ExpectSame(placed.Y(), expected.Y());
        ExpectSame(placed.Z(), expected.Z());
    }
}
