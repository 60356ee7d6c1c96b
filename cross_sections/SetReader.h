// Reading a cross-section document straight from its JSON text into a set, without
// building the document tree (internal to the library).
#pragma once

#include <cstddef>
#include <istream>

namespace kor {
namespace ShapeExport {

class CrossSections;

namespace detail {

struct SetReader {
    // Reads the first `length` bytes of `in` (fewer when it ends first; a zero byte
    // ends the text) into `set`, in chunks, with exactly the result of reading them
    // into one buffer, DomReaderJson::FromString and CrossSections::From(const
    // kor::Dom&), for every text; the stream is left as that reading leaves it.
    // Text that does not parse reads as an empty document.
    static void Read(CrossSections& set, std::istream& in, std::size_t length);

private:
    struct Handler;
    static void ReadTree(CrossSections& set, std::istream& in, std::size_t length);
};

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
