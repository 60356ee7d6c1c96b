// libFuzzer target: JSON text -> a cross-section set, read, normalised, decomposed,
// compared, blended, reset, written and dumped (HarnessCrossSections.h).
#include <cstddef>
#include <cstdint>

#include "HarnessCrossSections.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::CheckCrossSections(data, size);
    return 0;
}
