#include <kor/ShapeExport/AcisGeometry.h>

#include <utility>

namespace kor {
namespace ShapeExport {

AcisGeometry::AcisGeometry(const std::wstring& guid, const std::wstring& data, const std::wstring& transform, int index)
    : m_index(index), m_guid(guid), m_transform(transform), m_data(data) {}

AcisGeometry::AcisGeometry(const AcisGeometry& other) = default;

AcisGeometry::AcisGeometry(AcisGeometry&& other)
    : m_index(other.m_index),
      m_guid(std::move(other.m_guid)),
      m_transform(std::move(other.m_transform)),
      m_data(std::move(other.m_data)) {
    // A moved-from string is only "valid but unspecified"; the record promises empty texts.
    other.m_guid.clear();
    other.m_transform.clear();
    other.m_data.clear();
}

AcisGeometry::~AcisGeometry() = default;

AcisGeometry& AcisGeometry::operator=(const AcisGeometry& other) {
    if (this != &other) {
        m_index = other.m_index;
        m_guid = other.m_guid;
        m_transform = other.m_transform;
        m_data = other.m_data;
    }
    return *this;
}

AcisGeometry& AcisGeometry::operator=(AcisGeometry&& other) {
    if (this != &other) {
        m_index = other.m_index;
        m_guid = std::move(other.m_guid);
        m_transform = std::move(other.m_transform);
        m_data = std::move(other.m_data);
        other.m_guid.clear();
        other.m_transform.clear();
        other.m_data.clear();
    }
    return *this;
}

void AcisGeometry::SetGuid(const std::wstring& value) { m_guid = value; }

void AcisGeometry::SetTransform(const std::wstring& value) { m_transform = value; }

void AcisGeometry::SetData(const std::wstring& value) { m_data = value; }

void AcisGeometry::SetIndex(int value) { m_index = value; }

}  // namespace ShapeExport
}  // namespace kor
