// Separate objects in separate threads, and one shared set whose items are already
// decomposed read by all of them: built under ThreadSanitizer (preset tsan), any
// race is a report and a failed run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/ShapeExport/ShapeExport.h>

#include "Shapes.h"

namespace {

// The set as the dump writes it, or as JSON.
std::string TextOf(const kor::ShapeExport::CrossSections& set, bool dump) {
    std::ostringstream out;
    dump ? set.Dump(out, "") : set.Write(out);
    return out.str();
}

// `count` triangles along a line, each at the places of two corners of the next, welded.
std::size_t Weld(int count) {
    std::vector<double> xyz;
    std::vector<long long> corners;
    for (int k = 0; k < 3 * count; ++k) {
        xyz.insert(xyz.end(), {k / 3 + k % 3 + 0.0, 0.0, 1.0});
        corners.push_back(k);
    }
    return kor::ShapeExport::WeldPositions(xyz.data(), corners.size(), corners.data(), corners.size()).xyz.size() / 3;
}

}  // namespace

TEST(Threads, OwnObjectsAndOneSharedDecomposedSet) {
    kor::ShapeExport::CrossSections shared = testing_support::MakeSet(testing_support::Plate(4, 12, 1));
    shared.DecomposeAll();
    const std::string sharedDump = TextOf(shared, true), sharedJson = TextOf(shared, false);

    auto work = [&](int seed) {
        for (int round = 0; round < 20; ++round) {
            // Its own set: read, decomposed, blended, written, dumped, copied.
            kor::ShapeExport::CrossSections own =
                testing_support::MakeSet(testing_support::Star(30 + seed, 1 + round % 8, seed * 100 + round));
            std::istringstream in(TextOf(own, false));
            kor::ShapeExport::CrossSections read;
            read.From(in);
            read.DecomposeAll(2);
            const kor::ShapeExport::CrossSections blend(read, own, 0.5, true);
            EXPECT_EQ(TextOf(kor::ShapeExport::CrossSections(blend), true), TextOf(blend, true));
            kor::Dom document;
            EXPECT_TRUE(kor::DomReaderJson::FromString(document, TextOf(blend, false).c_str(), nullptr));
            EXPECT_EQ(Weld(50 + round), static_cast<std::size_t>(50 + round + 2));

            // The shared set, read only.
            EXPECT_EQ(TextOf(shared, true), sharedDump);
            EXPECT_EQ(TextOf(shared, false), sharedJson);
            EXPECT_TRUE(shared.IsCompatible(shared, true));
            const kor::ShapeExport::CrossSections copy(shared), mix(shared, shared, 0.25, true);
            EXPECT_EQ(copy.Positions(), shared.Positions());
            EXPECT_EQ(mix.Items().size(), shared.Items().size());
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(work, t);
    for (std::thread& thread : threads) thread.join();
}
