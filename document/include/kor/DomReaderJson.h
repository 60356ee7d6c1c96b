// kor::DomReaderJson: parses JSON text into a kor::Dom tree.
//
// The dialect is RFC 8259 JSON plus the number tokens NaN, Inf and Infinity (each
// optionally preceded by '-'), which the writer uses for non-finite doubles, so that
// every tree survives writing and reading. Leading and trailing white space is
// allowed, and so is a UTF-8 byte order mark at the start (skipped; error offsets
// still count it); anything else after the document is an error.
//
// Numbers: text without '.', 'e' or 'E' becomes an Int when it fits into long long,
// else a Double; "-0" becomes the Double -0.0; all other numbers are Doubles,
// rounded to nearest. Numbers beyond the double range become +-infinity; numbers
// too small for a denormal become +-0.0. Strings are taken byte for byte after
// unescaping (\uXXXX pairs become UTF-8); bytes are not checked for UTF-8. Members
// of an object keep their order, duplicate keys included.
//
// Arrays and objects may nest at most kMaxDepth levels deep; deeper text is an
// error. Parsing uses no recursion.
//
// On failure `out` is left empty (a null node), `*error` (when the pointer is not
// null) receives one line: "JSON parse error at byte offset N: <reason>", and the
// result is false. A null text pointer is such a failure at offset 0; in the
// overload with a length, a zero byte inside the text is a failure at its offset.
// On success `*error` is cleared.
#pragma once

#include <cstddef>
#include <string>

#include <kor/Dom.h>
#include <kor/DomExport.h>

namespace kor {

class KORDOM_EXPORT DomReaderJson {
public:
    static constexpr std::size_t kMaxDepth = 512;

    // Parses the zero-terminated `text`.
    static bool FromString(Dom& out, const char* text, std::string* error);
    // Parses exactly `length` bytes from `text` (need not be zero-terminated).
    static bool FromString(Dom& out, const char* text, std::size_t length, std::string* error);

    // The node of one number token of the dialect above, as the reader makes it.
    static Dom ParseNumber(const char* text, std::size_t length) noexcept;
};

}  // namespace kor
