// kor::DomWriterJson: writes a kor::Dom tree as JSON text.
//
// With indent < 0 the text is compact (no white space at all). With indent >= 0 it
// is pretty: every element of a non-empty array and every member of a non-empty
// object on a line of its own, indented by `indent` spaces per level, members as
// "key": value, empty containers as [] and {}, no newline after the last bracket.
// With `flatArraysOnOneLine` as well, an array none of whose elements is a
// non-empty array or object stays on one line: [12.5, 3.0], [4, true], [[], 1].
//
// Values: an empty node is null; an Int is written as an integer; a Double in the
// shortest text that reads back as the same bits, always with a '.' or an exponent
// (100.0, 1e+300, -0.0); non-finite doubles as Infinity, -Infinity and NaN (not
// standard JSON; DomReaderJson reads them back). Strings and keys escape '"', '\'
// and the control characters below 0x20 (\b \f \n \r \t, others as \u00XX); all
// other bytes are copied unchanged. Reading the text back with DomReaderJson gives
// an equal tree.
//
// Writing uses no recursion, so trees of any depth can be written.
// (The numbers' text and the layout are those of document/JsonEmitter.h, which
// CrossSections::Write shares.)
#pragma once

#include <iosfwd>
#include <string>

#include <kor/Dom.h>
#include <kor/DomExport.h>

namespace kor {

class KORDOM_EXPORT DomWriterJson {
public:
    static std::string ToString(const Dom& dom, int indent = -1, bool flatArraysOnOneLine = false);
    // Writes in chunks to `stream`; failures show in the stream's state.
    static void Write(std::ostream& stream, const Dom& dom, int indent = -1, bool flatArraysOnOneLine = false);
};

}  // namespace kor
