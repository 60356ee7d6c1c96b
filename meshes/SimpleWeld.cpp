// The weld's plain reference, step by step: each position of the source, in order,
// is compared with every kept position from the first; one that is near none is
// kept only if some index names it (found by scanning all indices). Quadratic: the
// fast weld (Weld.cpp) must give exactly what this gives, and the tests, the weld
// fuzz target and the benchmark hold it to that.
#include <algorithm>

#include "Weld.h"

namespace kor {
namespace ShapeExport {
namespace detail {

void WeldSimply(const std::vector<Position>& positions, const std::vector<long long>& indices,
                std::vector<Position>& keptOut, std::vector<long long>& indicesOut) {
    std::vector<long long> entry(positions.size(), -1);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto near = std::find_if(keptOut.begin(), keptOut.end(),
                                       [&](const Position& kept) { return positions[i].Near(kept); });
        if (near != keptOut.end()) {
            entry[i] = near - keptOut.begin();
        } else if (std::find(indices.begin(), indices.end(), static_cast<long long>(i)) != indices.end()) {
            entry[i] = static_cast<long long>(keptOut.size());
            keptOut.push_back(positions[i]);
        }
    }
    for (const long long v : indices)
        if (v >= 0 && v < static_cast<long long>(positions.size()) && entry[static_cast<std::size_t>(v)] >= 0)
            indicesOut.push_back(entry[static_cast<std::size_t>(v)]);
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
