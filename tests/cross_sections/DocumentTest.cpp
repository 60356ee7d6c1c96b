// Bad input to the stream reader of sets: what is left of a set after reading it.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>

using kor::ShapeExport::CrossSections;

namespace {

const char* const kSquareWithHole =
    R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true],[[6,5,4],false]]]]})";

CrossSections Read(const std::string& text, double factor = 1.0) {
    CrossSections set(factor);
    std::istringstream in(text);
    set.From(in);
    return set;
}

// A stream whose length cannot be taken, like a pipe.
struct PipeBuffer : std::stringbuf {
    using std::stringbuf::stringbuf;
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override { return pos_type(-1); }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return pos_type(-1); }
};

// A stream that tells a length of 100 bytes and then gives none.
struct FailingBuffer : std::streambuf {
    pos_type seekoff(off_type offset, std::ios_base::seekdir way, std::ios_base::openmode) override {
        return at = offset + (way == std::ios_base::end ? 100 : way == std::ios_base::cur ? off_type(at) : 0);
    }
    pos_type seekpos(pos_type to, std::ios_base::openmode) override { return at = to; }
    pos_type at = 0;
};

}  // namespace

TEST(Document, BadInputChangesNothingOrEmptiesParameters) {
    // Read into a set of 7 positions, 1 item and 1 parameter: what is left of each.
    enum Stream { kText, kPipe, kFailing };
    struct Case {
        const char* name;
        std::string text;
        std::size_t positions, items, parameters;
        Stream stream;
    };
    const std::string deep = std::string(511, '[') + std::string(511, ']');  // in the document object: 512 levels
    const std::vector<Case> cases{
        {"not JSON", "this is not JSON", 7, 1, 0, kText},
        {"truncated", std::string(kSquareWithHole).substr(0, 40), 7, 1, 0, kText},
        {"deep nesting", std::string(100000, '['), 7, 1, 0, kText},
        {"nesting of 512 levels", R"({"Outlines": [[[1,2]]], "a": )" + deep + "}", 8, 2, 0, kText},
        {"nesting deeper than 512", R"({"Outlines": [[[1,2]]], "a": [)" + deep + "]}", 7, 1, 0, kText},
        {"numbers out of range", R"({"Outlines": [[[1e999,-1e999],[1e-999,1]]], "Params": {"p": 1e400}})", 9, 2, 1,
         kText},
        {"trailing garbage", std::string(kSquareWithHole) + "]", 7, 1, 0, kText},
        {"zero byte", std::string("{\"Outlines\"\0: [[[1,2]]]}", 23), 7, 1, 0, kText},
        {"text after a zero byte", std::string(R"({"Outlines": [[[1,2]]]})") + '\0' + "garbage", 8, 2, 0, kText},
        {"empty stream", "", 7, 1, 1, kText},
        {"stream that cannot seek", kSquareWithHole, 7, 1, 1, kPipe},
        {"stream that cannot be read", "", 7, 1, 0, kFailing},
    };
    for (const Case& c : cases) {
        CrossSections set = Read(
            R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true]]]], "Params": {"a": 1}})");
        std::stringbuf text(c.text);
        PipeBuffer pipe(c.text);
        FailingBuffer failing;
        std::streambuf* const buffers[] = {&text, &pipe, &failing};
        std::istream in(buffers[c.stream]);
        set.From(in);
        EXPECT_EQ(set.Positions().size(), c.positions) << c.name;
        EXPECT_EQ(set.Items().size(), c.items) << c.name;
        EXPECT_EQ(set.Parameters().size(), c.parameters) << c.name;
    }
}
