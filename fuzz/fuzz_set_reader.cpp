// libFuzzer target: the bytes of a stream read into cross-section sets by the
// direct reader and through the document tree: the same sets (HarnessSetReader.h).
#include <cstddef>
#include <cstdint>

#include "HarnessSetReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::CheckSetReader(data, size);
    return 0;
}
