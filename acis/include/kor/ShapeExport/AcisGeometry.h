// kor::ShapeExport::AcisGeometry: a pass-through record of one piece of ACIS
// geometry for the host: the geometry data as text, an identifying text (guid), a
// transform in text form and an integer index.
//
// The record neither parses nor validates anything; every text (empty ones
// included) and every index is accepted, stored and handed back unchanged.
//
// Fields, in this order: index, guid, transform, data. The constructor takes its
// arguments in a different order (guid, data, transform, index) but initialises the
// fields in field order. Moving a record takes over its three texts and leaves the
// source with empty texts and its old index. Assigning or moving a record to itself,
// and passing a setter the very text it would replace, change nothing.
#pragma once

#include <string>

#include <kor/ShapeExport/Export.h>

namespace kor {
namespace ShapeExport {

class SHAPEEXPORT_EXPORT AcisGeometry {
public:
    AcisGeometry(const std::wstring& guid, const std::wstring& data, const std::wstring& transform, int index);
    AcisGeometry(const AcisGeometry& other);
    AcisGeometry(AcisGeometry&& other);
    ~AcisGeometry();

    AcisGeometry& operator=(const AcisGeometry& other);
    AcisGeometry& operator=(AcisGeometry&& other);

    const std::wstring& Guid() const { return m_guid; }
    const std::wstring& Transform() const { return m_transform; }
    const std::wstring& Data() const { return m_data; }
    int Index() const { return m_index; }

    void SetGuid(const std::wstring& value);
    void SetTransform(const std::wstring& value);
    void SetData(const std::wstring& value);
    void SetIndex(int value);

private:
    int m_index;
    std::wstring m_guid;
    std::wstring m_transform;
    std::wstring m_data;
};

}  // namespace ShapeExport
}  // namespace kor
