// Reading and writing a ~50 MB cross-section document: 2,000,000 points [x, y] and
// 200,000 loop entries [[10 indices], true] (20,000 cross sections of 10 loops).
// kor::DomReaderJson::FromString and kor::DomWriterJson::ToString are timed next to
// nlohmann::json::parse of the same text. FromString also reports the peak resident
// memory of the process against the size of the text (where the platform tells it).
//
// The benchmarks run in the order written: the memory counters of FromString are
// taken before nlohmann's parse, which needs far more memory, has run. Rates are
// computed from processor time (std::clock), which a busy machine disturbs less
// than wall time; the ratio FromString/nlohmann is that of the two parse rates.
#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/DomWriterJson.h>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <ctime>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#include <unistd.h>
#define BENCH_HAS_RUSAGE 1
#endif

namespace {

constexpr int kPoints = 2000000;
constexpr int kSections = 20000;
constexpr int kLoopsPerSection = 10;
constexpr int kIndicesPerLoop = 10;

void appendDouble(std::string& text, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
    if (!std::memchr(buffer, '.', static_cast<std::size_t>(result.ptr - buffer)) &&
        !std::memchr(buffer, 'e', static_cast<std::size_t>(result.ptr - buffer)))
        text += ".0";
}

// Coordinates in [-1000, 1000) with three decimals, as drawings hold them.
const std::string& documentText() {
    static const std::string text = [] {
        std::mt19937_64 random(42);
        std::uniform_int_distribution<int> coordinate(-1000000, 999999);
        std::uniform_int_distribution<int> index(0, kPoints - 1);
        std::string t;
        t.reserve(60u << 20);  // no growth: the generation stays below the parse in memory
        t += "{\"Outlines\": [[";
        for (int k = 0; k < kPoints; ++k) {
            t += k ? ",[" : "[";
            appendDouble(t, coordinate(random) / 1000.0);
            t += ',';
            appendDouble(t, coordinate(random) / 1000.0);
            t += ']';
        }
        t += "], [";
        char buffer[16];
        for (int s = 0; s < kSections; ++s) {
            t += s ? ",[" : "[";
            for (int l = 0; l < kLoopsPerSection; ++l) {
                t += l ? ",[[" : "[[";
                for (int i = 0; i < kIndicesPerLoop; ++i) {
                    if (i)
                        t += ',';
                    t.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, index(random)).ptr);
                }
                t += l == 0 ? "],true]" : "],false]";
            }
            t += ']';
        }
        t += "]]}";
        return t;
    }();
    return text;
}

double textMegabytes() { return static_cast<double>(documentText().size()) / 1e6; }

#ifdef BENCH_HAS_RUSAGE
double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
#ifdef __APPLE__
    return static_cast<double>(usage.ru_maxrss) / 1e6;  // bytes
#else
    return static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;  // kilobytes
#endif
}
#endif

#ifdef __linux__
double residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}
#endif

// Parse throughput in MB/s measured by each benchmark, for the ratio.
double g_korParseRate = 0.0;

// Processor time of the process in seconds: the machine may be shared, and wall
// time then says little about the code.
double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void BM_FromString(benchmark::State& state) {
    const std::string& text = documentText();
    // The memory figures belong to the first parse in the process: Google Benchmark
    // calls this function several times, and later parses run in a heap that the
    // earlier ones have cut up.
#ifdef __linux__
    static const double residentBefore = residentMegabytes();
#endif
#ifdef BENCH_HAS_RUSAGE
    static double firstPeak = 0.0;
#endif
    double seconds = 0.0;
    for (auto _ : state) {
        kor::Dom doc;
        const double start = cpuSeconds();
        const bool ok = kor::DomReaderJson::FromString(doc, text.c_str(), nullptr);
        seconds += cpuSeconds() - start;
#ifdef BENCH_HAS_RUSAGE
        if (firstPeak == 0.0)
            firstPeak = peakResidentMegabytes();
#endif
        if (!ok || doc["Outlines"][0].size() != static_cast<std::size_t>(kPoints) ||
            doc["Outlines"][1].size() != static_cast<std::size_t>(kSections)) {
            state.SkipWithError("the document did not read back");
            break;
        }
        state.PauseTiming();  // destruction is not part of the parse
        doc = kor::Dom();
        state.ResumeTiming();
    }
    const double mb = textMegabytes();
    g_korParseRate = seconds > 0 ? mb * static_cast<double>(state.iterations()) / seconds : 0.0;
    state.counters["MB/s"] = g_korParseRate;
    state.counters["TextMB"] = mb;
#ifdef BENCH_HAS_RUSAGE
    const double peak = firstPeak;
    state.counters["PeakRSS_MB"] = peak;
    state.counters["PeakRSS/Text"] = peak / mb;
#ifdef __linux__
    state.counters["ParsePeak/Text"] = (peak - residentBefore) / mb;  // growth above the text in memory
#endif
#endif
}
BENCHMARK(BM_FromString)->Unit(benchmark::kMillisecond);

void BM_ToString(benchmark::State& state) {
    kor::Dom doc;
    kor::DomReaderJson::FromString(doc, documentText().c_str(), nullptr);
    std::size_t bytes = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        std::string written = kor::DomWriterJson::ToString(doc);
        seconds += cpuSeconds() - start;
        bytes = written.size();
        benchmark::DoNotOptimize(written.data());
    }
    state.counters["MB/s"] = seconds > 0 ? static_cast<double>(bytes) / 1e6 * static_cast<double>(state.iterations()) / seconds : 0.0;
    state.counters["WrittenMB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ToString)->Unit(benchmark::kMillisecond);

void BM_NlohmannParse(benchmark::State& state) {
    const std::string& text = documentText();
    double seconds = 0.0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        nlohmann::json doc = nlohmann::json::parse(text);
        seconds += cpuSeconds() - start;
        if (doc["Outlines"][0].size() != static_cast<std::size_t>(kPoints)) {
            state.SkipWithError("the document did not read back");
            break;
        }
        state.PauseTiming();
        doc = nlohmann::json();
        state.ResumeTiming();
    }
    const double rate = seconds > 0 ? textMegabytes() * static_cast<double>(state.iterations()) / seconds : 0.0;
    state.counters["MB/s"] = rate;
    if (rate > 0 && g_korParseRate > 0)
        state.counters["FromString/nlohmann"] = g_korParseRate / rate;
#ifdef BENCH_HAS_RUSAGE
    state.counters["PeakRSS_MB"] = peakResidentMegabytes();
#endif
}
BENCHMARK(BM_NlohmannParse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
