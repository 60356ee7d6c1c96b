// libFuzzer target: positions and indices built from bytes -> the weld,
// compared with the quadratic reference weld (HarnessWeld.h).
#include <cstddef>
#include <cstdint>

#include "HarnessWeld.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::CheckWeld(data, size);
    return 0;
}
