// Reading the tool's inputs: a file path, or "-" for standard input, read whole into
// memory and checked, so that every problem becomes an InputError naming the file.
// Shared with the Python module (the target shapeexport_tool_support), which reports
// the same messages.
#pragma once

#include <string>
#include <vector>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

class CrossSections;

namespace Tool {

struct InputText {
    std::string name;  // the path as given, or "standard input"
    std::string text;
};

// Checks that `path` names an existing, non-empty file (not a directory); an
// InputError otherwise.
void CheckInputFile(const std::string& path);

// The whole content of `path` ("-": standard input). A missing path, a directory,
// an unreadable or empty file is an InputError.
InputText ReadInput(const std::string& path);

// Parses the text as JSON; text that is not JSON (a zero byte included) is an
// InputError carrying the parser's message with its byte offset.
kor::Dom ParseJson(const InputText& input);

// ParseJson; the document must be a JSON object.
kor::Dom ParseJsonObject(const InputText& input);

// ReadInput + ParseJsonObject.
kor::Dom ReadJsonObject(const std::string& path, InputText* raw = nullptr);

// How a cross-section document is read.
struct SetReading {
    // Reverse the loops that run the wrong way (else: warn about them).
    bool fixOrientation = false;
    // Refuse a coordinate that is no finite number: the output is standard JSON.
    bool finiteOnly = false;
    // What the warning about loops running the wrong way tells the user to do.
    std::string fixHint = "--fix-orientation reverses them";
};

// Reads a cross-section document into `set` with the library's reader
// (ReadCrossSections): an InputError with its message when the text is none. Returns
// the warnings: cross sections dropped as invalid, loops that run the wrong way.
std::vector<std::string> ReadCrossSectionsQuietly(const InputText& input, CrossSections& set,
                                                  const SetReading& how = SetReading());
// The same, printing the warnings on standard error.
void ReadCrossSections(const std::string& path, CrossSections& set, const SetReading& how = SetReading());
void ReadCrossSections(const InputText& input, CrossSections& set, const SetReading& how = SetReading());

// How an input is called in messages.
std::string InputName(const std::string& path);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
