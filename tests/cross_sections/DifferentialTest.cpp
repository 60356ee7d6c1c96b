// Fast paths against their plain references, on the inputs of the fuzz harnesses:
//  - the fast decomposition against the simple steps on seeded random shapes of the
//    geometry harness (every family, scaled, moved, jittered, mirrored, degenerate;
//    the pieces of valid shapes checked as a tiling), and decomposing a set's items
//    on several threads against decomposing them one after the other;
//  - the direct set reader and writer against the document tree (the cross-section
//    harness) on tests/data/cross_sections/set_documents.txt and the fuzz seeds cut
//    short at every byte (the fuzz target mutates them further).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>

#include "HarnessCrossSections.h"
#include "HarnessGeometry.h"
#include "TestData.h"

using testing_support::Shape;

namespace {

// Every shape family with every change of fuzz/HarnessGeometry.h, twenty times.
TEST(Differential, FastStepsGiveWhatTheSimpleStepsGive) {
    std::mt19937_64 random(20261206);
    for (int n = 0; n < 5 * fuzzing::geometry::kChanges * 20; ++n) {
        std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(n % 5),
                                        static_cast<std::uint8_t>(n / 5 % fuzzing::geometry::kChanges)};
        for (std::size_t k = 0, size = 10 + random() % 200; k < size; ++k)
            bytes.push_back(static_cast<std::uint8_t>(random()));
        ASSERT_EQ(fuzzing::GeometryDifference(bytes.data(), bytes.size()), "") << "case " << n;
    }
}

TEST(Differential, DecomposeAllGivesTheOneAfterTheOtherResult) {
    // Sixty random shapes on one array, then an item naming the first point that an
    // earlier item appends; and a square with a hole followed by a knot of repeated
    // points whose cuts reach the guard "no more loops than positions".
    std::mt19937_64 random(7);
    std::vector<kor::Vec<2, double>> many;
    std::vector<Shape> items;
    for (int i = 0; i < 60; ++i) {
        const int size = 1 + static_cast<int>(random() % 40);
        Shape s = i % 4 == 0   ? testing_support::Star(4 + 3 * size, size % 10, random())
                  : i % 4 == 1 ? testing_support::Comb(size, random())
                  : i % 4 == 2 ? testing_support::Spiral(1 + size % 3, 6 + size % 20)
                               : testing_support::Plate(1 + size % 5, 3 + size % 14, random());
        const int base = static_cast<int>(many.size());
        many.insert(many.end(), s.positions.begin(), s.positions.end());
        for (int& v : s.outline) v += base;
        for (auto& hole : s.holes)
            for (int& v : hole) v += base;
        items.push_back(s);
    }
    items.push_back(Shape{{}, {0, 1, static_cast<int>(many.size()), 2}, {}});
    Shape square = testing_support::Plate(1, 4);
    Shape knot{{}, {0, 2, 5, 1, 7, 3, 4, 6, 1, 2, 0, 3, 5, 7, 2, 4, 6, 0, 1, 5}, {}};
    for (const auto& scenario :
         {std::make_pair(many, items), std::make_pair(square.positions, std::vector<Shape>{square, knot})}) {
        kor::ShapeExport::CrossSections oneByOne = testing_support::MakeSet(scenario.first, scenario.second);
        for (const auto& item : oneByOne.Items()) item.ConvexLoops();
        for (unsigned threads : {0u, 1u, 3u}) {
            kor::ShapeExport::CrossSections all = testing_support::MakeSet(scenario.first, scenario.second);
            all.DecomposeAll(threads);
            ASSERT_TRUE(fuzzing::SameBits(all.Positions(), oneByOne.Positions())) << threads << " threads";
            for (std::size_t i = 0; i < all.Items().size(); ++i) {
                ASSERT_EQ(testing_support::Texts(all.Items()[i].ConvexLoops()),
                          testing_support::Texts(oneByOne.Items()[i].ConvexLoops()));
                ASSERT_EQ(all.Items()[i].AddedVertices(), oneByOne.Items()[i].AddedVertices());
            }
        }
    }
}

std::vector<std::string> BaseDocuments() {
    std::vector<std::string> documents = testing_support::DataLines("cross_sections/set_documents.txt");
    for (const auto& file :
         std::filesystem::directory_iterator(SHAPEEXPORT_SOURCE_DIR "/fuzz/corpus/fuzz_cross_sections"))
        documents.push_back(testing_support::ReadText(file.path().string()));
    const std::string nested = "{\"Outlines\": [[[1,2],[3,4],[5,6]]], \"deep\": ";
    for (std::size_t depth : {510, 511, 512})  // the document object and the points count too
        documents.push_back(nested + std::string(depth, '[') + std::string(depth, ']') + "}");
    return documents;
}

TEST(SetReader, GivesWhatTheTreeGives) {
    for (const std::string& document : BaseDocuments()) {
        for (std::size_t cut = document.size() < 500 ? 0 : document.size(); cut <= document.size(); ++cut)
            ASSERT_EQ(fuzzing::SetReaderDifference(document.substr(0, cut)), "") << document.substr(0, cut);
    }
}

}  // namespace
