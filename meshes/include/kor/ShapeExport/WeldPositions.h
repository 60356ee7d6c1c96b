// kor::ShapeExport::WeldPositions: the weld of the welded mesh copy (Mesh(other,
// true)) over plain arrays, for hosts and bindings that hold positions as numbers.
//
// `xyz` holds `count` positions as x, y, z triples (double precision, used as they
// are); `indices` holds `indexCount` position numbers (three per triangle, though
// triangles are not examined). Every position that some index names is compared, in
// ascending order, with the positions kept so far: it merges into the lowest-
// numbered kept position whose squared distance is below 1e-8 (Position::Near: a NaN
// component is near everything), or is kept itself. Positions no index names are
// dropped; indices outside [0, count) are left out, the others renumbered in order.
#pragma once

#include <cstddef>
#include <vector>

#include <kor/ShapeExport/Export.h>

namespace kor {
namespace ShapeExport {

struct WeldedPositions {
    std::vector<double> xyz;         // the kept positions, x, y, z each
    std::vector<long long> indices;  // every index that named a position, renumbered
};

SHAPEEXPORT_EXPORT WeldedPositions WeldPositions(const double* xyz, std::size_t count, const long long* indices,
                                                 std::size_t indexCount);

}  // namespace ShapeExport
}  // namespace kor
