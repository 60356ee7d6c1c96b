// Every seed input of the fuzzers and every input that once made a fuzzer fail,
// replayed through the fuzzer's harness: one test case per file. A failed check
// aborts with the check and the file named.
//
// Inputs that made a fuzzer fail are kept, minimised, in inputs/<target>/ (the
// fuzzer's name, e.g. inputs/fuzz_weld/); seed inputs are in fuzz/corpus/<target>/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "HarnessCrossSections.h"
#include "HarnessDocument.h"
#include "HarnessExtrusion.h"
#include "HarnessGeometry.h"
#include "HarnessSetReader.h"
#include "HarnessWeld.h"

namespace {

using Harness = void (*)(const std::uint8_t*, std::size_t);

struct Target {
    const char* name;
    Harness harness;
};

const Target kTargets[] = {
    {"fuzz_geometry", fuzzing::CheckGeometry}, {"fuzz_cross_sections", fuzzing::CheckCrossSections},
    {"fuzz_document", fuzzing::CheckDocument}, {"fuzz_extrusion", fuzzing::CheckExtrusion},
    {"fuzz_weld", fuzzing::CheckWeld},         {"fuzz_set_reader", fuzzing::CheckSetReader},
};

struct Input {
    std::string target;
    Harness harness;
    std::string kind;  // "seed" or "regression"
    std::filesystem::path path;
};

// Shown by GoogleTest (and CTest) as the test's parameter.
void PrintTo(const Input& input, std::ostream* out) { *out << input.path.filename().string(); }

std::vector<Input> ListInputs() {
    std::vector<Input> inputs;
    const std::pair<const char*, const char*> roots[] = {{"seed", SHAPEEXPORT_FUZZ_CORPUS},
                                                         {"regression", SHAPEEXPORT_REGRESSION_INPUTS}};
    for (const auto& root : roots) {
        for (const Target& target : kTargets) {
            const std::filesystem::path folder = std::filesystem::path(root.second) / target.name;
            std::error_code error;
            std::vector<std::filesystem::path> files;
            for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
                if (it->is_regular_file()) files.push_back(it->path());
            std::sort(files.begin(), files.end());
            for (const std::filesystem::path& file : files)
                inputs.push_back({target.name, target.harness, root.first, file});
        }
    }
    return inputs;
}

std::string CaseName(const testing::TestParamInfo<Input>& info) {
    std::string name = info.param.kind + "_" + info.param.target.substr(5) + "_" + info.param.path.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class Replay : public testing::TestWithParam<Input> {};

TEST_P(Replay, PassesTheHarness) {
    const Input& input = GetParam();
    std::ifstream in(input.path, std::ios::binary);
    ASSERT_TRUE(in) << input.path;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fuzzing::CurrentInput() = input.path.string();
    input.harness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    fuzzing::CurrentInput().clear();
}

INSTANTIATE_TEST_SUITE_P(Fuzzers, Replay, testing::ValuesIn(ListInputs()), CaseName);

// The folders are found: at least the seed inputs of every target are there.
TEST(ReplayInputs, EveryTargetHasSeeds) {
    const std::vector<Input> inputs = ListInputs();
    for (const Target& target : kTargets) {
        std::size_t seeds = 0;
        for (const Input& input : inputs) seeds += input.target == target.name && input.kind == "seed";
        EXPECT_GT(seeds, 0u) << target.name;
    }
}

}  // namespace
