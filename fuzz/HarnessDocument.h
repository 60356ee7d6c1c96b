// Bytes as JSON text -> a document tree -> text again (compact, indented, with flat
// arrays; by ToString and by the stream writer alike) -> parsed again: the same tree,
// and a container's text cut short is refused. A failed parse leaves an empty node
// and a one-line error of the documented form; the zero-terminated overload agrees
// with the one taking a length. The seeds tree_*.json are trees of escaped strings
// and keys, zero bytes, doubles of every bit pattern, nesting, duplicate keys and
// containers longer than the reader's pieces of 4096 values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>

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
    if (std::memchr(text, 0, size) == nullptr) {
        const std::string terminated(text, size);
        kor::Dom again;
        std::string againError;
        Require(kor::DomReaderJson::FromString(again, terminated.c_str(), &againError) == parsed && again == first &&
                    againError == error,
                "both overloads give the same result, tree and error");
    }
    if (!parsed) {
        Require(first.isEmpty(), "a failed parse leaves an empty node");
        Require(error.rfind("JSON parse error at byte offset ", 0) == 0 && error.find('\n') == std::string::npos,
                "the error is one line of the documented form");
        return;
    }
    Require(error.empty(), "success clears the error");
    Require(kor::Dom(first) == first, "a copy equals its source");
    for (const auto& [indent, flat] : {std::pair{-1, false}, {0, false}, {2, false}, {7, true}}) {
        const std::string written = kor::DomWriterJson::ToString(first, indent, flat);
        std::ostringstream stream;
        kor::DomWriterJson::Write(stream, first, indent, flat);
        Require(stream.str() == written, "Write and ToString agree");
        kor::Dom second;
        Require(kor::DomReaderJson::FromString(second, written.data(), written.size(), nullptr) && second == first,
                "the written text reads back as the same tree");
        Require(kor::DomWriterJson::ToString(second, indent, flat) == written, "writing is stable");
        kor::Dom cut(1);
        Require(!(first.isArray() || first.isObject()) ||
                    (!kor::DomReaderJson::FromString(cut, written.data(), size % written.size(), nullptr) && cut.isEmpty()),
                "a container's text cut short is refused");
    }
}

}  // namespace fuzzing
