// Writing the tool's outputs and formatting numbers for people.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace kor {
namespace ShapeExport {
namespace Tool {

// Writes `text` to the file `path`, replacing it; failure is an InputError naming it.
void WriteTextFile(const std::string& path, const std::string& text);

// A file of its own in the system's temporary folder, removed on destruction. Used
// where a library call writes only into a std::ofstream but the text is wanted
// elsewhere (standard output). An InputError when none can be created.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& stem);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Copies the whole file at `path` to `out`.
void CopyFileTo(const std::string& path, std::ostream& out);

// "1 item", "3 items".
std::string Count(std::size_t n, const char* singular, const char* plural);

// The shortest text that reads back as the same double ("0.1", "1e+20", "inf", "nan").
std::string FormatNumber(double value);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
