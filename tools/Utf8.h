// Conversions between UTF-8 (Assimp's names, the tool's output) and the wide text of
// mesh names. Invalid UTF-8 bytes become U+FFFD; so do wide values that are no code
// point.
#pragma once

#include <string>

namespace kor {
namespace ShapeExport {
namespace Tool {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
