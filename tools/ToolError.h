// The errors the tool reports to its user. An InputError ends the program with exit
// code 1 and its message, one line that names the file and what is wrong with it.
#pragma once

#include <stdexcept>
#include <string>

namespace kor {
namespace ShapeExport {
namespace Tool {

class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
