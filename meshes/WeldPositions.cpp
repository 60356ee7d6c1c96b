#include <kor/ShapeExport/WeldPositions.h>

#include "Weld.h"

namespace kor {
namespace ShapeExport {

WeldedPositions WeldPositions(const double* xyz, std::size_t count, const long long* indices, std::size_t indexCount) {
    std::vector<Position> positions;
    positions.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Position p;
        p.SetX(xyz[3 * i]);
        p.SetY(xyz[3 * i + 1]);
        p.SetZ(xyz[3 * i + 2]);
        positions.push_back(p);
    }
    std::vector<Position> kept;
    WeldedPositions result;
    detail::Weld(positions, std::vector<long long>(indices, indices + indexCount), kept, result.indices);
    positions = std::vector<Position>();
    result.xyz.reserve(3 * kept.size());
    for (const Position& p : kept) result.xyz.insert(result.xyz.end(), {p.X(), p.Y(), p.Z()});
    return result;
}

}  // namespace ShapeExport
}  // namespace kor
