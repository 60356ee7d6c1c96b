// The ACIS record: which argument becomes which field, and what a move leaves.
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

TEST(AcisGeometry, ArgumentsFieldsAndMoves) {
    AcisGeometry record(L"A", L"B", L"C", 7);  // guid, data, transform, index
    EXPECT_EQ(Fields(record), L"A|B|C|7");
    record.SetGuid(record.Guid());  // its own text: nothing changes
    EXPECT_EQ(Fields(record), L"A|B|C|7");
    AcisGeometry moved(std::move(record));
    EXPECT_EQ(Fields(moved), L"A|B|C|7");
    EXPECT_EQ(Fields(record), L"|||7");  // texts taken, index kept
    record = std::move(moved);
    EXPECT_EQ(Fields(moved), L"|||7");
    EXPECT_EQ(Fields(record), L"A|B|C|7");
}
