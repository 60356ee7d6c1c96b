// A minimal PNG reader for checking rendered pictures: 8-bit RGB or RGBA, not
// interlaced (what Chromium's screenshots are). Pixels come back as RGBA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tool_test {

struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBBAA, row by row
};

// Decodes the file; returns false with a reason when it is no PNG of that kind.
bool ReadPng(const std::string& path, PngImage& image, std::string& error);

}  // namespace tool_test
