// kor::ShapeExport::Mesh: a named, indexed triangle mesh.
//
// Fields: the positions (3D points), the indices (signed 64-bit position numbers,
// three per triangle; neither their range nor their count is checked), a 4x4
// transform (the identity until fromOBJ records the matrix that placed the
// positions) and a wide-character name. There are no setters: after construction a
// mesh changes only through fromOBJ and assignment.
//
// Construction from a name: empty positions and indices, identity transform, a copy
// of the zero-terminated name. A null name pointer gives an empty name.
//
// Moving takes over positions, indices and name and copies the transform; the source
// keeps its transform and is left with empty positions, indices and name. Assigning
// or moving a mesh to itself changes nothing.
//
// Welded copy, Mesh(other, true): transform and name are copied. Every position of
// `other` that some index names is compared, in ascending order, with the positions
// kept so far (Position::Near, squared distance below 1e-8): it is merged into the
// lowest-numbered kept position that it is near, or else kept itself, coordinates
// unchanged. Positions that no index names are dropped. Every index that names a
// position (0 <= v < size) is replaced by the number of its kept position; indices
// that are negative or too large are left out; triangles are not examined, so
// degenerate triples stay. Only kept positions are compared with, so chains do not
// merge transitively; NaN components are near everything and a shared infinity in
// one component makes two positions near. The result equals the straightforward
// quadratic search, computed with a spatial hash in about linear time, for any number
// of positions (2^31 or more included: the kept numbers are then 64-bit as well).
//
// fromOBJ(mesh, matrix) appends the vertices of an Assimp mesh, each placed by the
// matrix (Position's transforming constructor, from the single-precision coordinates
// widened to double), then the corners of every face with exactly three corners
// (other faces are skipped), unchanged and not shifted by the positions the mesh held
// before; it then records the matrix as the transform. The name is left alone. Each
// array grows at most once per call, to exactly its new size. No Assimp function is
// called: only mNumVertices, mVertices, mNumFaces, mFaces and the faces' mNumIndices
// and mIndices are read. Pointers are checked:
//   - a null `mesh` does nothing at all (no positions, no indices, transform kept);
//   - a null mVertices with a non-zero mNumVertices appends no positions;
//   - a null mFaces with a non-zero mNumFaces appends no indices;
//   - a three-corner face with a null mIndices is skipped like a face that is no
//     triangle;
//   in the last three cases the rest is read and the transform is replaced as usual.
#pragma once

#include <string>
#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Position.h>
#include <kor/math/Mat.h>

struct aiMesh;

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT Mesh {
public:
    Mesh(const wchar_t* name);  // not explicit: Mesh m = L"beam"; is allowed
    Mesh(const Mesh& other);
    Mesh(Mesh&& other) noexcept;
    Mesh(const Mesh& other, bool weld);
    ~Mesh();

    Mesh& operator=(const Mesh& other);
    Mesh& operator=(Mesh&& other) noexcept;

    const std::vector<Position>& Positions() const { return m_positions; }
    const std::vector<long long>& Indices() const { return m_indices; }
    const kor::Mat<4, double>& Transform() const { return m_transform; }
    const std::wstring& Name() const { return m_name; }

    void fromOBJ(const aiMesh* mesh, const Matrix& matrix);

private:
    std::vector<Position> m_positions;
    std::vector<long long> m_indices;
    kor::Mat<4, double> m_transform;
    std::wstring m_name;
};

}  // namespace ShapeExport
}  // namespace kor
