// Bytes as JSON text -> a document tree -> text again (compact and indented) ->
// parsed again: the second tree must equal the first.
//
// Also checks that a failed parse leaves an empty node and a one-line error of the
// documented form, that the zero-terminated overload agrees with the one taking a
// length, that the stream writer writes the same text as ToString, that a copy
// of the tree compares equal to it, that doubles made of the bytes are written as
// std::to_chars writes them and that a number alone reads as std::from_chars reads it.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <system_error>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include "HarnessSupport.h"

namespace fuzzing {

inline void CheckDocument(const std::uint8_t* data, std::size_t size) {
    for (std::size_t k = 0; k + sizeof(double) <= size; k += sizeof(double)) {
        double d;
        std::memcpy(&d, data + k, sizeof d);
        if (!std::isfinite(d)) continue;
        char text[kor::DomWriterJson::kNumberSize], reference[40];
        const std::size_t length = kor::DomWriterJson::FormatNumber(d, text);
        std::string expected(reference, std::to_chars(reference, reference + sizeof reference, d).ptr);
        if (expected.find_first_of(".e") == std::string::npos) expected += ".0";
        Require(std::string(text, length) == expected, "a double is written as std::to_chars writes it");
    }
    const char* text = reinterpret_cast<const char*>(data);
    kor::Dom first;
    std::string error = "not cleared";
    const bool parsed = kor::DomReaderJson::FromString(first, text, size, &error);

    // The zero-terminated overload sees the text up to its first zero byte.
    if (std::memchr(text, 0, size) == nullptr) {
        const std::string terminated(text, size);
        kor::Dom again;
        std::string againError;
        Require(kor::DomReaderJson::FromString(again, terminated.c_str(), &againError) == parsed,
                "both overloads agree on success");
        Require(again == first && againError == error, "both overloads give the same tree and error");
    }

    if (!parsed) {
        Require(first.isEmpty(), "a failed parse leaves an empty node");
        Require(error.rfind("JSON parse error at byte offset ", 0) == 0, "error text");
        Require(error.find('\n') == std::string::npos, "error is one line");
        return;
    }
    Require(error.empty(), "success clears the error");

    // A Double alone reads as std::from_chars reads its text (within the double range).
    const std::string token(text, size);
    const std::size_t from = token.find_first_not_of(" \t\r\n"), to = token.find_last_not_of(" \t\r\n");
    double expected = 0.0;
    const std::from_chars_result read =
        std::from_chars(token.data() + (from == std::string::npos ? 0 : from), token.data() + to + 1, expected);
    if (first.isDouble() && read.ec == std::errc() && read.ptr == token.data() + to + 1 && std::isfinite(expected))
        Require(SameBits(first.asDouble(0.0), expected), "a number reads as std::from_chars reads it");

    const kor::Dom copy(first);
    Require(copy == first, "a copy equals its source");

    for (int indent : {-1, 2}) {
        const std::string written = kor::DomWriterJson::ToString(first, indent);
        std::ostringstream stream;
        kor::DomWriterJson::Write(stream, first, indent);
        Require(stream.str() == written, "Write and ToString agree");
        kor::Dom second;
        std::string secondError;
        Require(kor::DomReaderJson::FromString(second, written.data(), written.size(), &secondError),
                "written text parses");
        Require(second == first, "written text reads back as the same tree");
        if (indent < 0) Require(kor::DomWriterJson::ToString(second) == written, "writing is stable");
    }
}

}  // namespace fuzzing
