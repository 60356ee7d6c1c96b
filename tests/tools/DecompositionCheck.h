// Structural checks of the JSON that `shapeexport decompose` writes:
// {"positions": [[x, y], ...], "items": [{"convex": [[[i, flag], ...], ...], "added": [i, ...]}, ...]}
#pragma once

#include <cmath>
#include <cstddef>
#include <set>
#include <vector>

#include <gtest/gtest.h>
#include <kor/Dom.h>

namespace tool_test {

struct Point2 {
    double x;
    double y;
};

inline std::vector<Point2> Positions(const kor::Dom& document) {
    std::vector<Point2> points;
    const kor::Dom& positions = document["positions"];
    for (std::size_t i = 0; i < positions.size(); ++i)
        points.push_back({positions[i][0].asDouble(NAN), positions[i][1].asDouble(NAN)});
    return points;
}

// The vertex indices of one convex loop.
inline std::vector<int> LoopIndices(const kor::Dom& loop) {
    std::vector<int> indices;
    for (std::size_t v = 0; v < loop.size(); ++v) indices.push_back(static_cast<int>(loop[v][0].asInt(-1)));
    return indices;
}

inline double SignedArea(const std::vector<int>& loop, const std::vector<Point2>& points) {
    double twice = 0.0;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const Point2& p = points[static_cast<std::size_t>(loop[i])];
        const Point2& q = points[static_cast<std::size_t>(loop[(i + 1) % loop.size()])];
        twice += p.x * q.y - q.x * p.y;
    }
    return twice / 2.0;
}

// No corner turns clockwise (beyond rounding).
inline bool IsConvex(const std::vector<int>& loop, const std::vector<Point2>& points) {
    const std::size_t n = loop.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point2& a = points[static_cast<std::size_t>(loop[(i + n - 1) % n])];
        const Point2& b = points[static_cast<std::size_t>(loop[i])];
        const Point2& c = points[static_cast<std::size_t>(loop[(i + 1) % n])];
        const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        if (cross < -1e-9) return false;
    }
    return true;
}

// Checks the shape of the document and that every index names a position; the added
// (bridge) positions must be distinct and at the end of the array.
inline void ExpectWellFormedDecomposition(const kor::Dom& document) {
    ASSERT_TRUE(document.isObject());
    ASSERT_EQ(document.objects().size(), 2u);
    const kor::Dom& positions = document["positions"];
    const kor::Dom& items = document["items"];
    ASSERT_TRUE(positions.isArray());
    ASSERT_TRUE(items.isArray());
    const std::size_t count = positions.size();
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_TRUE(positions[i].isArray()) << i;
        ASSERT_EQ(positions[i].size(), 2u) << i;
        EXPECT_TRUE(positions[i][0].isNumber() && positions[i][1].isNumber()) << i;
    }
    std::set<long long> added;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const kor::Dom& item = items[k];
        ASSERT_TRUE(item.isObject()) << k;
        ASSERT_TRUE(item["convex"].isArray()) << k;
        ASSERT_TRUE(item["added"].isArray()) << k;
        const kor::Dom& convex = item["convex"];
        for (std::size_t l = 0; l < convex.size(); ++l) {
            ASSERT_TRUE(convex[l].isArray());
            EXPECT_GE(convex[l].size(), 3u) << "item " << k << " loop " << l;
            for (std::size_t v = 0; v < convex[l].size(); ++v) {
                const kor::Dom& pair = convex[l][v];
                ASSERT_EQ(pair.size(), 2u);
                ASSERT_TRUE(pair[0].isInt());
                ASSERT_TRUE(pair[1].isBool());
                const long long index = pair[0].asInt(-1);
                EXPECT_GE(index, 0) << "item " << k << " loop " << l;
                EXPECT_LT(index, static_cast<long long>(count)) << "item " << k << " loop " << l;
            }
        }
        for (std::size_t a = 0; a < item["added"].size(); ++a) {
            ASSERT_TRUE(item["added"][a].isInt());
            EXPECT_TRUE(added.insert(item["added"][a].asInt(-1)).second) << "added twice";
        }
    }
    for (long long index : added) {
        EXPECT_GE(index, static_cast<long long>(count - added.size())) << "bridge points are appended";
        EXPECT_LT(index, static_cast<long long>(count));
    }
}

}  // namespace tool_test
