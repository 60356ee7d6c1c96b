// Trees far deeper than a call stack could follow recursively: 100000 levels built
// in code, destroyed, copied, compared, written, and refused by the reader.
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
    for (int level = 0; level < kDepth; ++level) node = objects ? &(*node)["k"] : &node->append();
    *node = leaf;
    return root;
}

TEST(DomDeepTree, NoRecursionAnywhere) {
    for (bool objects : {false, true}) {
        SCOPED_TRACE(objects ? "objects" : "arrays");
        { Dom dropped = buildDeep(objects, Dom("leaf")); }
        const Dom tree = buildDeep(objects, Dom(7));
        Dom copy(tree);
        EXPECT_TRUE(copy == tree);
        EXPECT_TRUE(buildDeep(objects, Dom(2)) != tree);  // differs only at the very bottom
        Dom wide = Dom::FromMembers({{"a", tree}, {"b", tree}});
        EXPECT_TRUE(Dom(wide) == wide);
        copy = std::move(objects ? copy["k"]["k"] : copy[0][0]);  // a part replaces the whole
        EXPECT_EQ(copy.kind(), tree.kind());

        std::string expected;
        for (int level = 0; level < kDepth; ++level) expected += objects ? "{\"k\":" : "[";
        expected += "7" + std::string(kDepth, objects ? '}' : ']');
        const std::string text = kor::DomWriterJson::ToString(tree);
        EXPECT_EQ(text, expected);
        std::ostringstream stream;
        kor::DomWriterJson::Write(stream, tree);
        EXPECT_EQ(stream.str(), expected);
        Dom out(1);
        std::string error;
        EXPECT_FALSE(kor::DomReaderJson::FromString(out, text.c_str(), &error));
        EXPECT_TRUE(out.isEmpty());
        EXPECT_NE(error.find("512"), std::string::npos) << error;
    }
}

}  // namespace
