// libFuzzer target: JSON text -> document tree -> text -> the same tree
// (HarnessDocument.h).
#include <cstddef>
#include <cstdint>

#include "HarnessDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::CheckDocument(data, size);
    return 0;
}
