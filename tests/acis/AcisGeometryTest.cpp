// The ACIS record: which argument becomes which field, what copies take and what a
// move leaves.
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

TEST(AcisGeometry, ArgumentsFieldsCopiesAndMoves) {
    AcisGeometry record(L"A", L"B", L"C", 7), assigned(L"x", L"y", L"z", 1);  // guid, data, transform, index
    record.SetGuid(record.Guid());                                            // its own text: nothing changes
    assigned = record;
    EXPECT_EQ(Fields(assigned) + Fields(AcisGeometry(record)), L"A|B|C|7A|B|C|7");
    AcisGeometry moved(std::move(record));
    EXPECT_EQ(Fields(moved) + Fields(record), L"A|B|C|7|||7");  // texts taken, index kept
    record = std::move(moved);
    EXPECT_EQ(Fields(record) + Fields(moved), L"A|B|C|7|||7");
}
