// libFuzzer target: JSON text -> Extrusion::from and EndPlane::from on the document
// and on every node inside it (HarnessExtrusion.h).
#include <cstddef>
#include <cstdint>

#include "HarnessExtrusion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::CheckExtrusion(data, size);
    return 0;
}
