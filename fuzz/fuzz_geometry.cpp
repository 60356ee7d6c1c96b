// libFuzzer target: polygons with holes on a small grid -> convex decomposition
// (HarnessGeometry.h).
#include <cstddef>
#include <cstdint>

#include "HarnessGeometry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::CheckGeometry(data, size);
    return 0;
}
