// The ACIS record: which argument becomes which field, and what copies, moves and
// setters do to the four fields.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include <kor/ShapeExport/AcisGeometry.h>

using kor::ShapeExport::AcisGeometry;

namespace {

std::wstring Fields(const AcisGeometry& r) {
    return r.Guid() + L"|" + r.Data() + L"|" + r.Transform() + L"|" + std::to_wstring(r.Index());
}

}  // namespace

TEST(AcisGeometry, FieldsCopiesMovesAndSetters) {
    AcisGeometry record(L"A", L"B", L"C", 7);  // guid, data, transform, index
    EXPECT_EQ(Fields(record), L"A|B|C|7");

    record.SetData(L"data");
    record.SetGuid(record.Guid());  // its own text: nothing changes
    record.SetTransform(L"T");
    record.SetIndex(-3);
    EXPECT_EQ(Fields(record), L"A|data|T|-3");

    AcisGeometry copy(record);
    copy.SetGuid(L"other");
    EXPECT_EQ(Fields(record), L"A|data|T|-3");
    copy = record;
    const AcisGeometry& same = copy;
    copy = same;
    EXPECT_EQ(Fields(copy), L"A|data|T|-3");

    AcisGeometry moved(std::move(copy));
    EXPECT_EQ(Fields(moved), L"A|data|T|-3");
    EXPECT_EQ(Fields(copy), L"|||-3");  // texts taken, index kept
    copy = std::move(moved);
    EXPECT_EQ(Fields(moved), L"|||-3");
    EXPECT_EQ(Fields(copy), L"A|data|T|-3");
    AcisGeometry& self = copy;
    copy = std::move(self);
    EXPECT_EQ(Fields(copy), L"A|data|T|-3");
}
