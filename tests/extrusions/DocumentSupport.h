// Parsing JSON text for the reader tests.
#pragma once

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>

#include <gtest/gtest.h>

#include <string>

inline kor::Dom Parse(const std::string& text) {
    kor::Dom dom;
    std::string error;
    EXPECT_TRUE(kor::DomReaderJson::FromString(dom, text.c_str(), &error)) << text << ": " << error;
    return dom;
}
