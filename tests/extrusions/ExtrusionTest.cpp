// The document readers of positions, end planes, profiles, sections and extrusions
// as data (tests/data/extrusions/readers.json): documents read one after the other
// into one object, which is then compared as a document with the expected one; how
// Position: validity, squared
// distance, proximity and placement by a matrix, evaluation order included
// (tests/data/extrusions/positions.json).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/EndPlane.h>
#include <kor/ShapeExport/Extrusion.h>
#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Position.h>

#include "TestData.h"

using kor::Dom;
using namespace kor::ShapeExport;

namespace {

// What was read, as a document: numbers as doubles, non-finite ones as "unset"
// (+infinity), "-Infinity", "NaN".
Dom NumberNode(double v) {
    return std::isnan(v) ? Dom("NaN") : std::isinf(v) ? Dom(v > 0 ? "unset" : "-Infinity") : Dom(v);
}

template <typename Items, typename Convert>
Dom ArrayOf(const Items& items, Convert convert) {
    Dom d = Dom().toArray();
    for (const auto& item : items) d.append() = convert(item);
    return d;
}

Dom Of(const Position& p) { return ArrayOf(std::vector<double>{p.X(), p.Y(), p.Z()}, NumberNode); }
Dom Of(const Profile& profile) {
    return ArrayOf(profile.Positions(), [](const Position& p) { return Of(p); });
}
Dom Of(const ExtrudedSection& section) {
    return Dom::FromMembers({{"Exterior", Dom(section.Exterior())},
                             {"Profiles", ArrayOf(section.Profiles(), [](const Profile& p) { return Of(p); })}});
}
Dom Of(const Extrusion& extrusion) {
    return ArrayOf(extrusion.Sections(), [](const ExtrudedSection& s) { return Of(s); });
}
Dom Of(const EndPlane& plane) {
    return Dom::FromMembers({{"Start", Dom(plane.IsStart())},
                             {"Origin", Of(plane.Origin())},
                             {"Normal", Of(plane.Normal())},
                             {"Skew", NumberNode(plane.Skew())}});
}

// The expected document with every number a double, as Of writes them.
Dom Normalized(const Dom& d) {
    if (d.isNumber()) return Dom(d.asDouble(0.0));
    Dom copy = d;
    for (std::size_t i = 0; i < d.size(); ++i) copy[i] = Normalized(d[i]);
    for (const auto& member : d.objects()) copy[member.first] = Normalized(member.second);
    return copy;
}

// What the documents read one after the other give, written twice: as read, and
// after a copy assignment, a move into itself and a move assignment.
template <typename T>
std::string ReadAll(const Dom& documents) {
    T object;
    for (std::size_t i = 0; i < documents.size(); ++i) EXPECT_TRUE(object.from(documents[i]));
    T copy, moved;
    copy = object;
    T& same = copy;
    copy = std::move(same);
    moved = std::move(copy);
    return kor::DomWriterJson::ToString(Of(object)) + kor::DomWriterJson::ToString(Of(moved));
}

}  // namespace

TEST(Readers, Cases) {
    for (const Dom& c : testing_support::Elements(testing_support::LoadData("extrusions/readers.json"))) {
        const std::string reader = c["reader"].asString();
        const Dom& documents = c["documents"];
        const std::string actual = reader == "position"   ? ReadAll<Position>(documents)
                                   : reader == "endplane" ? ReadAll<EndPlane>(documents)
                                   : reader == "section"  ? ReadAll<ExtrudedSection>(documents)
                                   : reader == "profile"  ? ReadAll<Profile>(documents)
                                                          : ReadAll<Extrusion>(documents);
        const std::string expected = kor::DomWriterJson::ToString(Normalized(c["expected"]));
        EXPECT_EQ(actual, expected + expected) << c["name"].asString();
    }
}

// Position::to appends to what the array holds; an unset component is +infinity.
TEST(Readers, PositionWrittenAfterWhatTheArrayHolds) {
    Dom target = ArrayOf(std::vector<double>{7, 8}, NumberNode);
    Position(1, 2, std::numeric_limits<double>::infinity()).to(target);
    EXPECT_EQ(kor::DomWriterJson::ToString(target), "[7.0,8.0,1.0,2.0,Infinity]");
}

using testing_support::Number;
using testing_support::PositionOf;

TEST(Position, Cases) {
    auto text = [](double v) { return kor::DomWriterJson::ToString(NumberNode(v)); };  // NaN equal to NaN
    const Dom data = testing_support::LoadData("extrusions/positions.json");
    for (const Dom& c : testing_support::Elements(data["Valid"]))
        EXPECT_EQ(PositionOf(c[0]).IsValid(), c[1].asBool(false)) << kor::DomWriterJson::ToString(c);
    for (const Dom& c : testing_support::Elements(data["Distance"])) {
        SCOPED_TRACE(c["name"].asString());
        const Position a = PositionOf(c["a"]), b = PositionOf(c["b"]);
        for (const auto& [p, q] : {std::pair(a, b), std::pair(b, a)})
            EXPECT_EQ(std::pair(text(p.Distance2(q)), p.Near(q)),
                      std::pair(text(Number(c["distance2"])), c["near"].asBool(false)));
    }
    for (const Dom& c : testing_support::Elements(data["Placement"])) {
        kor::Mat<4, double> matrix = kor::Mat<4, double>::Identity();
        for (const Dom::Member& entry : c["set"].objects()) matrix.m[std::stoi(entry.first)] = Number(entry.second);
        const Position point = PositionOf(c["point"]), placed(point.X(), point.Y(), point.Z(), Matrix(matrix));
        EXPECT_EQ(kor::DomWriterJson::ToString(Of(placed)), kor::DomWriterJson::ToString(Of(PositionOf(c["placed"]))))
            << c["name"].asString();
    }
}
