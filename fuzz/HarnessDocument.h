// Bytes as JSON text -> a document tree -> text again (compact and indented) ->
// parsed again: the second tree must equal the first.
//
// Also checks that a failed parse leaves an empty node and a one-line error of the
// documented form, that the zero-terminated overload agrees with the one taking a
// length, that the stream writer writes the same text as ToString, and that a copy
// of the tree compares equal to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include "HarnessSupport.h"

namespace fuzzing {

inline void CheckDocument(const std::uint8_t* data, std::size_t size) {
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
