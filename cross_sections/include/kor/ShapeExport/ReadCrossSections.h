// kor::ShapeExport::ReadCrossSections: reading a cross-section document with a
// report of what went wrong, for hosts and tools. CrossSections::From, which the set
// offers as well, reports nothing: a truncated, binary or empty file reads as an
// empty set there.
//
// When the text is read, the set gets exactly what CrossSections::From gives it
// (positions and items appended, the conversion factor applied, the parameters
// replaced). Otherwise the set is left as it was, and `message` says why, in words
// for people ("JSON parse error at byte offset 300: Missing a comma or ']' after an
// array element."): the text is empty, is no JSON (a zero byte in it included:
// "UTF-16 or binary data?"), is no object, or has no list of points where
// "Outlines" (or "outlines") should hold [[points], [cross sections]].
//
// The report also counts the cross sections listed and those dropped as invalid (a
// loop with fewer than 3 valid vertices, not exactly one exterior loop), and tells
// where the first point with a coordinate that is not a finite number stands (NaN,
// Infinity or a number beyond the range of doubles: read as the document library
// reads them, but no standard JSON can hold them again).
#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/Export.h>

namespace kor {
namespace ShapeExport {

struct ReadResult {
    enum class Status { Read, Empty, Unreadable, NotJson, NotCrossSections };
    Status status = Status::Read;
    // NotJson: the byte offset the message names; Read with nonFinite: the byte
    // offset of the first coordinate that is not a finite number.
    std::size_t offset = 0;
    std::string message;       // empty when read
    std::size_t sections = 0;  // listed in the document (a list of points alone: 1)
    std::size_t dropped = 0;   // of those, dropped as invalid
    bool nonFinite = false;

    explicit operator bool() const { return status == Status::Read; }
};

// Reads the whole stream (seekable or not) or text.
SHAPEEXPORT_EXPORT ReadResult ReadCrossSections(std::istream& in, CrossSections& set);
SHAPEEXPORT_EXPORT ReadResult ReadCrossSections(std::string text, CrossSections& set);

}  // namespace ShapeExport
}  // namespace kor
