// The straightforward welding algorithm, step by step: each position of the source,
// in order, is compared with every kept position from the first; one that is near
// none is kept only if some index names it (found by scanning all indices). The fast
// weld of the library must give exactly the same positions and indices.
#pragma once

#include <kor/ShapeExport/Position.h>

#include <cstdint>
#include <vector>

namespace reference {

struct Welded {
    std::vector<kor::ShapeExport::Position> positions;
    std::vector<long long> indices;
};

inline Welded Weld(const std::vector<kor::ShapeExport::Position>& positions, const std::vector<long long>& indices) {
    Welded out;
    const long long n = static_cast<long long>(positions.size());
    std::vector<std::int32_t> map(positions.size(), -1);
    for (long long i = 0; i < n; ++i) {
        const kor::ShapeExport::Position& p = positions[static_cast<std::size_t>(i)];
        std::int32_t entry = -1;
        for (std::size_t k = 0; k < out.positions.size(); ++k) {
            if (p.Near(out.positions[k])) {
                entry = static_cast<std::int32_t>(k);
                break;
            }
        }
        if (entry < 0) {
            bool named = false;
            for (const long long v : indices) {
                if (v == i) {
                    named = true;
                    break;
                }
            }
            if (named) {
                entry = static_cast<std::int32_t>(out.positions.size());
                out.positions.push_back(p);
            }
        }
        map[static_cast<std::size_t>(i)] = entry;
    }
    for (const long long v : indices) {
        if (v >= 0 && v < n && map[static_cast<std::size_t>(v)] >= 0)
            out.indices.push_back(map[static_cast<std::size_t>(v)]);
    }
    return out;
}

}  // namespace reference
