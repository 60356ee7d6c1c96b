// The libFuzzer entry point of every target: the harness function of the header
// the build names (FUZZ_HARNESS_HEADER, FUZZ_HARNESS; fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>

#include FUZZ_HARNESS_HEADER

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FUZZ_HARNESS(data, size);
    return 0;
}
