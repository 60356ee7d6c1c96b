// Reading and writing general documents with kor::DomReaderJson::FromString and
// kor::DomWriterJson::ToString, one benchmark per kind of text (about 24 MB each):
//   objects  records of short keys, names, flags and small numbers
//   strings  long strings with escapes and UTF-8
//   nesting  arrays and objects nested 500 levels deep, many times over
//   numbers  [x, y] pairs of doubles with 17 significant digits
// Rates are MB of text per second of processor time (Google Benchmark's CPU time).
// The same file builds against older versions of the library, to compare readers.
#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr std::size_t kSize = 24u << 20;

std::string Objects() {
    std::mt19937_64 random(1);
    std::string t = "[";
    char buffer[256];
    for (int k = 0; t.size() < kSize; ++k) {
        std::snprintf(buffer, sizeof buffer,
                      "%s{\"id\": %d, \"name\": \"part-%d\", \"layer\": \"A-WALL-%02d\", \"visible\": %s, "
                      "\"width\": %.2f, \"tags\": [\"steel\", \"beam\"], \"origin\": {\"x\": %.3f, \"y\": %.3f}, "
                      "\"note\": null}",
                      k ? ", " : "", k, k, static_cast<int>(random() % 100), random() % 2 ? "true" : "false",
                      static_cast<double>(random() % 1000) / 100.0, static_cast<double>(random() % 100000) / 1000.0,
                      static_cast<double>(random() % 100000) / -1000.0);
        t += buffer;
    }
    return t + "]";
}

std::string Strings() {
    std::mt19937_64 random(2);
    static const char* const pieces[] = {"plain text ", "\\n",    "\\\"quoted\\\"", "\\u00e9",   "\xC3\xA9t\xC3\xA9 ",
                                         "\\\\",        "tab\\t", "\\ud83d\\ude00", "0123456789"};
    std::string t = "[";
    for (int k = 0; t.size() < kSize; ++k) {
        t += k ? ", \"" : "\"";
        const std::size_t count = 2 + random() % 20;
        for (std::size_t p = 0; p < count; ++p) t += pieces[random() % 9];
        t += '"';
    }
    return t + "]";
}

std::string Nesting() {
    std::string t = "[";
    for (int k = 0; t.size() < kSize; ++k) {
        if (k) t += ", ";
        for (int level = 0; level < 250; ++level) t += "{\"a\": [";
        t += std::to_string(k);
        for (int level = 0; level < 250; ++level) t += "]}";
    }
    return t + "]";
}

std::string Numbers() {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
    std::string t = "[";
    char buffer[64];
    for (int k = 0; t.size() < kSize; ++k) {
        std::snprintf(buffer, sizeof buffer, "%s[%.17g, %.17g]", k ? ", " : "", coordinate(random), coordinate(random));
        t += buffer;
    }
    return t + "]";
}

const std::string& Text(int kind) {
    static const std::string texts[] = {Objects(), Strings(), Nesting(), Numbers()};
    return texts[kind];
}

const char* const kNames[] = {"objects", "strings", "nesting", "numbers"};

void BM_Read(benchmark::State& state) {
    const std::string& text = Text(static_cast<int>(state.range(0)));
    state.SetLabel(kNames[state.range(0)]);
    for (auto _ : state) {
        kor::Dom doc;
        if (!kor::DomReaderJson::FromString(doc, text.c_str(), nullptr)) {
            state.SkipWithError("the text did not parse");
            break;
        }
        state.PauseTiming();  // destruction is not part of reading
        doc = kor::Dom();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Read)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State& state) {
    const std::string& text = Text(static_cast<int>(state.range(0)));
    state.SetLabel(kNames[state.range(0)]);
    kor::Dom doc;
    kor::DomReaderJson::FromString(doc, text.c_str(), nullptr);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string written = kor::DomWriterJson::ToString(doc);
        bytes = written.size();
        benchmark::DoNotOptimize(written.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_Write)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
