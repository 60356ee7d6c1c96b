// CrossSections::From(std::istream&) reads the text straight into the set and
// CrossSections::Write writes it straight; the document tree is their reference
// (fuzz/HarnessCrossSections.h compares them). Over the documents of
// tests/data/cross_sections/set_documents.txt and the fuzz seeds, every one cut
// short at every byte (the fuzz target mutates them further), and over generated
// documents large enough for the reader's window to move, with tokens and white
// space longer than it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "HarnessCrossSections.h"
#include "TestData.h"

namespace {

std::vector<std::string> BaseDocuments() {
    std::vector<std::string> documents = testing_support::DataLines("cross_sections/set_documents.txt");
    for (const char* folder : {"fuzz_cross_sections"})
        for (const auto& file :
             std::filesystem::directory_iterator(SHAPEEXPORT_SOURCE_DIR "/fuzz/corpus/" + std::string(folder))) {
            std::ifstream in(file.path(), std::ios::binary);
            documents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    const std::string nested = "{\"Outlines\": [[[1,2],[3,4],[5,6]]], \"deep\": ";
    for (std::size_t depth : {510, 511, 512})  // the document object and the points count too
        documents.push_back(nested + std::string(depth, '[') + std::string(depth, ']') + "}");
    return documents;
}

// A document of some hundred kilobytes: points in every number style, sections with
// holes and bad indices, parameters; `longest` bounds runs of white space and the
// length of a key or number put in at random (the longer ones go beyond the window).
std::string Generated(std::mt19937_64& random, std::size_t longest) {
    auto number = [&random]() {
        const double value = std::uniform_real_distribution<double>(-1000.0, 1000.0)(random);
        char text[64];
        static const char* const styles[] = {"%.17g", "%.6f", "%.3e", "%.0f", "-0"};
        std::snprintf(text, sizeof text, styles[random() % 100 < 90 ? random() % 2 : 2 + random() % 3], value);
        return std::string(text);
    };
    auto gap = [&]() {
        return random() % 500 == 0 ? std::string(random() % longest, ' ') : std::string(random() % 2, ' ');
    };
    const int points = 2000 + static_cast<int>(random() % 4000);
    std::string text = "{\"RefPoints\": [], \"Outlines\": [[";
    for (int k = 0; k < points; ++k) text += (k ? "," : "") + gap() + "[" + number() + "," + gap() + number() + "]";
    text += "], [";
    for (int s = 0, sections = static_cast<int>(random() % 1000); s < sections; ++s) {
        text += s ? ",[" : "[";
        for (int e = 0, entries = 1 + static_cast<int>(random() % 3); e < entries; ++e) {
            text += e ? ",[[" : "[[";
            for (int i = 0, count = 2 + static_cast<int>(random() % 10); i < count; ++i)
                text += (i ? "," : "") + std::to_string(static_cast<int>(random() % (points + 2)) - 1);
            text += e == 0 || random() % 20 == 0 ? "],true]" : "],false]";
        }
        text += "]";
    }
    text += "]], \"Params\": {\"" + std::string(random() % longest, 'k') +
            "\": " + (random() % 2 ? number() : "1" + std::string(random() % longest, '0')) + ", \"a\": 1}}";
    return text;
}

TEST(SetReader, GivesWhatTheTreeGives) {
    for (const std::string& document : BaseDocuments()) {
        for (std::size_t cut = document.size() < 500 ? 0 : document.size(); cut <= document.size(); ++cut)
            ASSERT_EQ(fuzzing::SetReaderDifference(document.substr(0, cut)), "") << document.substr(0, cut);
    }
}

TEST(SetReader, LargeDocumentsGiveWhatTheTreeGives) {
    std::mt19937_64 random(17);
    for (int k = 0; k < 24; ++k) {
        std::string text = Generated(random, k < 12 ? 100 : 80000);
        if (k % 4 == 1) text.resize(random() % text.size());
        if (k % 4 == 2) text[random() % text.size()] = '\0';
        if (k % 4 == 3) text += std::string(random() % 80000, ' ') + "x";
        ASSERT_EQ(fuzzing::SetReaderDifference(text), "") << "document " << k << ", " << text.size() << " bytes";
    }
}

}  // namespace
