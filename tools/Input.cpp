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

#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

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

void ReadCrossSections(const std::string& path, CrossSections& set) { ReadCrossSections(ReadInput(path), set); }

void ReadCrossSections(const InputText& input, CrossSections& set) {
    const std::string warning = ReadCrossSectionsQuietly(input, set);
    if (!warning.empty()) std::cerr << "shapeexport: warning: " << warning << "\n";
}

std::string ReadCrossSectionsQuietly(const InputText& input, CrossSections& set) {
    const std::string& name = input.name;
    const kor::Dom document = ParseJsonObject(input);
    const kor::Dom& outlines = document.has("Outlines") ? document["Outlines"] : document["outlines"];
    if (!outlines.isArray() || outlines.size() == 0 || !outlines[0].isArray())
        throw InputError(name + ": not a cross-section document (expected \"Outlines\": [[points], [cross sections]])");

    const std::size_t itemsBefore = set.Items().size();
    set.From(document);
    const std::size_t given = outlines.size() >= 2 ? outlines[1].size() : 1;
    const std::size_t read = set.Items().size() - itemsBefore;
    if (read >= given) return std::string();
    return name + ": " + std::to_string(given - read) + " of " + std::to_string(given) +
           " cross sections dropped (a loop with fewer than 3 valid vertices, or not exactly one exterior loop)";
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
