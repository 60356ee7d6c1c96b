// The lines of a data file under tests/data, comment lines (starting with '#') left
// out, with \xNN standing for the byte NN.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

inline std::vector<std::string> DataLines(const std::string& name) {
    std::vector<std::string> lines;
    std::ifstream in(SHAPEEXPORT_SOURCE_DIR "/tests/data/" + name, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind('#', 0) == 0) continue;
        for (std::size_t k = line.find("\\x"); k != std::string::npos; k = line.find("\\x", k + 1))
            line.replace(k, 4, 1, static_cast<char>(std::stoi(line.substr(k + 2, 2), nullptr, 16)));
        lines.push_back(line);
    }
    return lines;
}

}  // namespace testing_support
