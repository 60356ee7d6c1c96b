// Internal: reading a cross-section document straight from its JSON text into a set,
// without building the document tree.
#pragma once

#include <cstddef>
#include <istream>

namespace kor {
namespace ShapeExport {

class CrossSections;

namespace detail {

// Reads the first `length` bytes of `in` (fewer when it ends first; a zero byte ends
// the text) into `set` in one pass over one buffer, with exactly the result of
// DomReaderJson::FromString on that text followed by CrossSections::From(const
// kor::Dom&): both feed the same SetBuilder. Text that does not parse reads as an
// empty document.
void ReadSet(CrossSections& set, std::istream& in, std::size_t length);

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
