#include <kor/ShapeExport/AcisGeometry.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

using kor::ShapeExport::AcisGeometry;

namespace {

void ExpectRecord(const AcisGeometry& r, const std::wstring& guid, const std::wstring& data,
                  const std::wstring& transform, int index) {
    EXPECT_EQ(r.Guid(), guid);
    EXPECT_EQ(r.Data(), data);
    EXPECT_EQ(r.Transform(), transform);
    EXPECT_EQ(r.Index(), index);
}

// Texts long enough to live on the heap, so that moves really hand storage over.
const std::wstring kGuid = L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}";
const std::wstring kData = L"400 0 1 0\n16 ACIS geometry body record with some length";
const std::wstring kTransform = L"1 0 0 0 1 0 0 0 1 10 20 30 1 no_rotate no_reflect no_shear";

}  // namespace

TEST(AcisGeometry, ConstructorMapsArgumentsToFields) {
    AcisGeometry r(L"A", L"B", L"C", 7);
    ExpectRecord(r, L"A", L"B", L"C", 7);

    AcisGeometry empty(L"", L"", L"", -3);
    ExpectRecord(empty, L"", L"", L"", -3);
}

TEST(AcisGeometry, SettersChangeOnlyTheirField) {
    AcisGeometry r(kGuid, kData, kTransform, 1);
    r.SetData(L"new data");
    ExpectRecord(r, kGuid, L"new data", kTransform, 1);
    r.SetGuid(L"new guid");
    ExpectRecord(r, L"new guid", L"new data", kTransform, 1);
    r.SetTransform(L"");
    ExpectRecord(r, L"new guid", L"new data", L"", 1);
    r.SetIndex(-42);
    ExpectRecord(r, L"new guid", L"new data", L"", -42);
}

TEST(AcisGeometry, SetterGivenItsOwnFieldChangesNothing) {
    AcisGeometry r(kGuid, kData, kTransform, 5);
    r.SetGuid(r.Guid());
    r.SetData(r.Data());
    r.SetTransform(r.Transform());
    ExpectRecord(r, kGuid, kData, kTransform, 5);
}

TEST(AcisGeometry, CopiesAreIndependent) {
    AcisGeometry a(kGuid, kData, kTransform, 9);
    AcisGeometry b(a);
    ExpectRecord(b, kGuid, kData, kTransform, 9);
    b.SetData(L"changed");
    EXPECT_EQ(a.Data(), kData);

    AcisGeometry c(L"x", L"y", L"z", 0);
    c = a;
    ExpectRecord(c, kGuid, kData, kTransform, 9);
    c.SetGuid(L"other");
    EXPECT_EQ(a.Guid(), kGuid);
}

TEST(AcisGeometry, MovedFromRecordHasEmptyTextsAndKeepsItsIndex) {
    AcisGeometry a(kGuid, kData, kTransform, 11);
    AcisGeometry b(std::move(a));
    ExpectRecord(b, kGuid, kData, kTransform, 11);
    ExpectRecord(a, L"", L"", L"", 11);  // NOLINT(bugprone-use-after-move)

    AcisGeometry c(L"x", L"y", L"z", 0);
    c = std::move(b);
    ExpectRecord(c, kGuid, kData, kTransform, 11);
    ExpectRecord(b, L"", L"", L"", 11);  // NOLINT(bugprone-use-after-move)

    // Short texts (small-string storage) are emptied as well.
    AcisGeometry d(L"g", L"d", L"t", 2);
    AcisGeometry e(std::move(d));
    ExpectRecord(e, L"g", L"d", L"t", 2);
    ExpectRecord(d, L"", L"", L"", 2);  // NOLINT(bugprone-use-after-move)
}

TEST(AcisGeometry, SelfAssignmentChangesNothing) {
    AcisGeometry r(kGuid, kData, kTransform, 4);
    AcisGeometry& alias = r;
    r = alias;
    ExpectRecord(r, kGuid, kData, kTransform, 4);
    r = std::move(alias);
    ExpectRecord(r, kGuid, kData, kTransform, 4);
}
