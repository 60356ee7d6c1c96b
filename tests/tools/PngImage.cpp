#include "PngImage.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <zlib.h>

namespace tool_test {

namespace {

std::uint32_t BigEndian(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

bool ReadPng(const std::string& path, PngImage& image, std::string& error) {
    auto fail = [&error](const std::string& why) {
        error = why;
        return false;
    };
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < 8 || std::memcmp(bytes, signature, 8) != 0) return fail("no PNG signature");

    unsigned depth = 0, colourType = 0, interlace = 0;
    std::string compressed;
    for (std::size_t at = 8; at + 12 <= data.size();) {
        const std::uint32_t length = BigEndian(bytes + at);
        const std::string type(data, at + 4, 4);
        if (at + 12 + length > data.size()) return fail("truncated chunk " + type);
        const unsigned char* body = bytes + at + 8;
        if (type == "IHDR" && length >= 13) {
            image.width = BigEndian(body);
            image.height = BigEndian(body + 4);
            depth = body[8];
            colourType = body[9];
            interlace = body[12];
        } else if (type == "IDAT") {
            compressed.append(reinterpret_cast<const char*>(body), length);
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    if (image.width == 0 || image.height == 0) return fail("no IHDR");
    if (depth != 8 || (colourType != 2 && colourType != 6) || interlace != 0)
        return fail("unsupported PNG kind (depth " + std::to_string(depth) + ", colour type " +
                    std::to_string(colourType) + ", interlace " + std::to_string(interlace) + ")");

    const std::size_t channels = colourType == 6 ? 4 : 3;
    const std::size_t stride = image.width * channels;
    std::vector<unsigned char> raw((stride + 1) * image.height);
    uLongf rawLength = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawLength, reinterpret_cast<const Bytef*>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK ||
        rawLength != raw.size())
        return fail("image data does not inflate to the expected size");

    // Undo the per-row filters in place.
    std::vector<unsigned char> previous(stride, 0);
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        unsigned char* row = raw.data() + y * (stride + 1);
        const unsigned filter = row[0];
        unsigned char* line = row + 1;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= channels ? line[i - channels] : 0;
            const int b = previous[i];
            const int c = i >= channels ? previous[i - channels] : 0;
            int predictor = 0;
            switch (filter) {
                case 0: predictor = 0; break;
                case 1: predictor = a; break;
                case 2: predictor = b; break;
                case 3: predictor = (a + b) / 2; break;
                case 4: predictor = Paeth(a, b, c); break;
                default: return fail("bad filter type " + std::to_string(filter));
            }
            line[i] = static_cast<unsigned char>(line[i] + predictor);
        }
        std::memcpy(previous.data(), line, stride);
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const unsigned char* p = line + x * channels;
            const std::uint32_t alpha = channels == 4 ? p[3] : 255u;
            image.pixels[static_cast<std::size_t>(y) * image.width + x] =
                (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | alpha;
        }
    }
    return true;
}

}  // namespace tool_test
