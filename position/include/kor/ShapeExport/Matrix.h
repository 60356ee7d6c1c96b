// kor::ShapeExport::Matrix: a read-only handle on a 4x4 transform held by the host.
//
// Its only field points to the sixteen doubles of a kor::Mat<4,double> (16-byte
// aligned, m[0] .. m[15] in memory order). The library reads the block during the
// call that receives the Matrix and keeps neither the handle nor the pointer, so the
// matrix it was made from must outlive only that call:
//
//     kor::Mat<4,double> mat = kor::Mat<4,double>::Identity();
//     Position p(1.0, 2.0, 3.0, Matrix(mat));
//
// A point (x, y, z) maps to homogeneous component k = x*m[k] + y*m[4+k] + z*m[8+k] + m[12+k].
#pragma once

#include <kor/ShapeExport/Export.h>
#include <kor/math/Mat.h>

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT Matrix {
public:
    explicit Matrix(const kor::Mat<4, double>& mat) : m(mat.m) {}
    // A Matrix only refers to its transform: one made from a temporary would refer
    // to freed memory once the full expression ends.
    explicit Matrix(const kor::Mat<4, double>&& mat) = delete;

    const double* m;  // the sixteen doubles of the referenced transform
};

}  // namespace ShapeExport
}  // namespace kor
