// Trees far deeper than any call stack could follow recursively: 100000 levels
// built in code, destroyed, copied, compared and written.
#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using kor::Dom;

constexpr int kDepth = 100000;

// kDepth nested arrays (or objects with the key "k"), the innermost holding `leaf`.
Dom buildDeep(bool objects, const Dom& leaf) {
    Dom root;
    Dom* node = &root;
    for (int level = 0; level < kDepth; ++level)
        node = objects ? &(*node)["k"] : &node->append();
    *node = leaf;
    return root;
}

// The innermost node, walked with the const accessors.
const Dom& innermost(const Dom& root, bool objects) {
    const Dom* node = &root;
    for (int level = 0; level < kDepth; ++level)
        node = objects ? &(*node)["k"] : &(*node)[0];
    return *node;
}

class DeepTree : public ::testing::TestWithParam<bool> {};

TEST_P(DeepTree, DestroyCopyCompareWithoutRecursion) {
    const bool objects = GetParam();
    {
        Dom dropped = buildDeep(objects, Dom("leaf"));  // destroyed at the end of the scope
    }
    Dom tree = buildDeep(objects, Dom(1));
    Dom copy(tree);
    EXPECT_EQ(innermost(copy, objects).asInt(0), 1);
    EXPECT_TRUE(copy == tree);

    Dom other = buildDeep(objects, Dom(2));  // differs only at the very bottom
    EXPECT_FALSE(other == tree);
    EXPECT_TRUE(other != tree);

    Dom assigned;
    assigned = tree;
    EXPECT_TRUE(assigned == tree);

    // Replacing a deep tree by a part of itself releases the rest.
    Dom part = buildDeep(objects, Dom(3));
    part = std::move(objects ? part["k"]["k"] : part[0][0]);
    EXPECT_TRUE(objects ? part.isObject() : part.isArray());

    // A deep tree inside a wide one.
    Dom wide;
    for (int k = 0; k < 3; ++k)
        wide.append() = tree;
    Dom wideCopy = wide;
    EXPECT_TRUE(wideCopy == wide);
}

TEST_P(DeepTree, WriteWithoutRecursionAndReadBackFailsCleanly) {
    const bool objects = GetParam();
    Dom tree = buildDeep(objects, Dom(7));
    const std::string text = kor::DomWriterJson::ToString(tree);
    std::string expected;
    for (int level = 0; level < kDepth; ++level)
        expected += objects ? "{\"k\":" : "[";
    expected += "7";
    expected.append(static_cast<std::size_t>(kDepth), objects ? '}' : ']');
    EXPECT_EQ(text, expected);

    std::ostringstream stream;
    kor::DomWriterJson::Write(stream, tree);
    EXPECT_EQ(stream.str(), expected);

    // Far beyond the nesting limit of the reader: a clean failure.
    Dom out = Dom(1);
    std::string error;
    EXPECT_FALSE(kor::DomReaderJson::FromString(out, text.c_str(), &error));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_NE(error.find("512"), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(ArraysAndObjects, DeepTree, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Objects" : "Arrays";
                         });

}  // namespace
