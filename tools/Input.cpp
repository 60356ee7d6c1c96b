#include "Input.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include <kor/DomReaderJson.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/LoopChecks.h>
#include <kor/ShapeExport/ReadCrossSections.h>

#include "Output.h"
#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {

constexpr std::size_t kListedLoops = 5;  // loops a warning names before "..."

}  // namespace

std::string InputName(const std::string& path) { return path == "-" ? std::string("standard input") : path; }

void CheckInputFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        throw InputError(path + ": no such file", InputError::Kind::NotFound);
    if (status.type() == fs::file_type::directory)
        throw InputError(path + ": is a directory, not a file", InputError::Kind::Directory);
    if (status.type() == fs::file_type::regular) {
        const std::uintmax_t size = fs::file_size(path, ec);
        if (!ec && size == 0) throw InputError(path + ": is empty");
    }
}

InputText ReadInput(const std::string& path) {
    InputText input;
    input.name = InputName(path);
    if (path == "-") {
        std::ostringstream buffer;
        buffer << std::cin.rdbuf();
        input.text = buffer.str();
        if (std::cin.bad()) throw InputError(input.name + ": cannot be read", InputError::Kind::Unreadable);
    } else {
        CheckInputFile(path);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            const int error = errno;
            throw InputError(
                path + ": cannot be opened" + (error ? std::string(" (") + std::strerror(error) + ")" : ""),
                InputError::Kind::Unreadable);
        }
        input.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) throw InputError(path + ": cannot be read", InputError::Kind::Unreadable);
    }
    if (input.text.empty()) throw InputError(input.name + ": is empty");
    return input;
}

kor::Dom ParseJson(const InputText& input) {
    const std::size_t zero = input.text.find('\0');
    if (zero != std::string::npos)
        throw InputError(input.name + ": not JSON text: a zero byte at byte offset " + std::to_string(zero) +
                         " (UTF-16 or binary data?)");
    kor::Dom document;
    std::string error;
    if (!kor::DomReaderJson::FromString(document, input.text.c_str(), &error))
        throw InputError(input.name + ": " + (error.empty() ? std::string("not valid JSON") : error));
    return document;
}

kor::Dom ParseJsonObject(const InputText& input) {
    kor::Dom document = ParseJson(input);
    if (!document.isObject()) throw InputError(input.name + ": the JSON document is not an object");
    return document;
}

kor::Dom ReadJsonObject(const std::string& path, InputText* raw) {
    InputText input = ReadInput(path);
    kor::Dom document = ParseJsonObject(input);
    if (raw) *raw = std::move(input);
    return document;
}

void ReadCrossSections(const std::string& path, CrossSections& set, const SetReading& how) {
    ReadCrossSections(ReadInput(path), set, how);
}

void ReadCrossSections(const InputText& input, CrossSections& set, const SetReading& how) {
    for (const std::string& warning : ReadCrossSectionsQuietly(input, set, how))
        std::cerr << "shapeexport: warning: " << warning << "\n";
}

std::vector<std::string> ReadCrossSectionsQuietly(const InputText& input, CrossSections& set, const SetReading& how) {
    const ReadResult result = kor::ShapeExport::ReadCrossSections(input.text, set);
    if (!result) throw InputError(input.name + ": " + result.message);
    if (how.finiteOnly && result.nonFinite)
        throw InputError(input.name + ": the number at byte offset " + std::to_string(result.offset) +
                         " is no finite coordinate (NaN, Infinity or beyond the range of doubles): the output is "
                         "standard JSON, which cannot hold it");
    std::vector<std::string> warnings;
    if (result.dropped > 0)
        warnings.push_back(input.name + ": " + std::to_string(result.dropped) + " of " +
                           std::to_string(result.sections) +
                           " cross sections dropped (a loop with fewer than 3 valid vertices, or not exactly one "
                           "exterior loop)");
    const std::vector<WrongOrientation> wrong = FindWrongOrientations(set);
    if (wrong.empty()) return warnings;
    if (how.fixOrientation) {
        FixOrientations(set);
        return warnings;
    }
    std::string loops;
    for (std::size_t k = 0; k < wrong.size() && k < kListedLoops; ++k)
        loops += (k ? ", item " : "item ") + std::to_string(wrong[k].item) +
                 (wrong[k].hole < 0 ? std::string(" outline") : " hole " + std::to_string(wrong[k].hole));
    if (wrong.size() > kListedLoops) loops += ", ...";
    warnings.push_back(input.name + ": " + Count(wrong.size(), "loop runs", "loops run") + " the wrong way (" + loops +
                       "): a document lists outlines and holes counter-clockwise (x right, y up; hole index lists "
                       "are stored in reverse), otherwise the pieces cover the holes or run clockwise; " +
                       how.fixHint);
    return warnings;
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
