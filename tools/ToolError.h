// The errors the tool reports to its user. An InputError ends the program with exit
// code 1 and its message, one line that names the file and what is wrong with it.
// Its kind lets a host with error types of its own (the Python module) tell a missing
// file or a directory from a document that cannot be used.
#pragma once

#include <stdexcept>
#include <string>

namespace kor {
namespace ShapeExport {
namespace Tool {

class InputError : public std::runtime_error {
public:
    enum class Kind { Content, NotFound, Directory, Unreadable };

    explicit InputError(const std::string& message, Kind kind = Kind::Content)
        : std::runtime_error(message), m_kind(kind) {}
    Kind GetKind() const { return m_kind; }

private:
    Kind m_kind;
};

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
