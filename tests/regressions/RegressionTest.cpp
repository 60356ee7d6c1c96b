// Every seed input of the fuzzers (fuzz/corpus/<target>/) and every input that once
// made a fuzzer fail (inputs/<target>/, minimised), replayed through the fuzzer's
// harness. A failed check aborts with the check and the file named.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "HarnessCrossSections.h"
#include "HarnessDocument.h"
#include "HarnessExtrusion.h"
#include "HarnessGeometry.h"
#include "HarnessWeld.h"
#include "TestData.h"

TEST(Replay, EveryInputPassesItsHarness) {
    using Harness = void (*)(const std::uint8_t*, std::size_t);
    const std::pair<const char*, Harness> targets[] = {{"fuzz_geometry", fuzzing::CheckGeometry},
                                                       {"fuzz_cross_sections", fuzzing::CheckCrossSections},
                                                       {"fuzz_document", fuzzing::CheckDocument},
                                                       {"fuzz_extrusion", fuzzing::CheckExtrusion},
                                                       {"fuzz_weld", fuzzing::CheckWeld}};
    for (const auto& [name, harness] : targets) {
        std::size_t seeds = 0;
        for (const char* root : {SHAPEEXPORT_FUZZ_CORPUS, SHAPEEXPORT_REGRESSION_INPUTS}) {
            const std::filesystem::path folder = std::filesystem::path(root) / name;
            if (!std::filesystem::is_directory(folder)) continue;
            for (const auto& file : std::filesystem::directory_iterator(folder)) {
                const std::string bytes = testing_support::ReadText(file.path().string());
                fuzzing::CurrentInput() = file.path().string();
                harness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
                seeds += root == std::string(SHAPEEXPORT_FUZZ_CORPUS);
            }
        }
        EXPECT_GT(seeds, 0u) << name << " has seed inputs";
    }
    fuzzing::CurrentInput().clear();
}
