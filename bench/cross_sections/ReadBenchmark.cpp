// Reading and writing a large cross-section document, side by side with
// nlohmann::json on the same text. The document: 2,000,000 points and 200,000
// loops of 10 indices, its numbers written in two styles (argument 0: 17
// significant digits, as a computed double prints, about 98 MB; argument 1: six
// decimals, about 70 MB).
//
//   BM_FromStream      CrossSections::From(std::istream&)
//   BM_NlohmannParse   nlohmann::json::parse of the same text
//   BM_Write           CrossSections::Write (compact)
//   BM_ToAndWriteTree  To + DomWriterJson::Write (compact), the tree path
//   BM_NlohmannDump    nlohmann::json::dump of the parsed text (compact)
// The writers write into a string that keeps its memory between iterations.
//
// Rates are MB of the document per second of processor time spent in the operation
// alone (std::clock, which a busy machine disturbs less than wall time; Google
// Benchmark's own times also hold setting up and destroying), of the fastest
// iteration and of the first. The nlohmann benchmarks report the ratios
// "From/parse", "Write/dump" and "ToTree/dump" of the fastest rates of this run. "peak_ratio": the most heap memory
// held at once during one read, divided by the document's size (counted by replacing the global operator new and delete
// in this program; the stream's own copy of the text is not counted).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <random>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <kor/Dom.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

namespace {

std::size_t g_current = 0;
std::size_t g_peak = 0;

#ifdef __GLIBC__
const bool g_heapKept = mallopt(M_TRIM_THRESHOLD, -1) && mallopt(M_MMAP_THRESHOLD, 1 << 30);
#endif

}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = size;
    g_current += size;
    if (g_current > g_peak) g_peak = g_current;
    return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    void* base = static_cast<char*>(p) - 16;
    g_current -= *static_cast<std::size_t*>(base);
    std::free(base);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

const std::string& Document(std::int64_t style) {
    static std::string documents[2];
    std::string& text = documents[style];
    if (!text.empty()) return text;
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
    std::uniform_int_distribution<int> index(0, 1999999);
    text.reserve(100u << 20);
    text += "{\"RefPoints\": [], \"Outlines\": [[";
    char buffer[64];
    for (int i = 0; i < 2000000; ++i) {
        const double x = coordinate(random), y = coordinate(random);
        std::snprintf(buffer, sizeof buffer, style == 0 ? "%s[%.17g,%.17g]" : "%s[%.6f,%.6f]", i ? "," : "", x, y);
        text += buffer;
    }
    text += "], [";
    for (int i = 0; i < 200000; ++i) {
        text += i ? ",[[[" : "[[[";
        for (int k = 0; k < 10; ++k) text += (k ? "," : "") + std::to_string(index(random));
        text += "],true]]";
    }
    text += "]]}";
    return text;
}

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Rates (MB/s) measured so far, by benchmark and style.
enum Measure { kFrom, kParse, kWrite, kToTree, kDump, kMeasures };
double g_rates[kMeasures][2] = {};

// Times `run` (which returns the processor seconds of the operation) once per
// iteration and reports the rate of the fastest iteration, "MB/s", and of the first,
// "cold_MB/s": this machine pays dearly for memory the process touches for the first
// time, which later iterations find in the heap.
template <typename Run>
void Measure(benchmark::State& state, Measure measure, Run run) {
    const std::int64_t style = state.range(0);
    const double megabytes = static_cast<double>(Document(style).size()) / 1e6;
    double first = 0.0, best = 0.0;
    for (auto _ : state) {
        const double seconds = run();
        if (first == 0.0) first = seconds;
        if (best == 0.0 || seconds < best) best = seconds;
    }
    g_rates[measure][style] = megabytes / best;
    state.counters["MB/s"] = g_rates[measure][style];
    state.counters["cold_MB/s"] = megabytes / first;
    state.SetLabel(style == 0 ? "17 digits" : "6 decimals");
}

void BM_FromStream(benchmark::State& state) {
    const std::string& text = Document(state.range(0));
    std::istringstream in(text);  // one stream, read again and again
    double peakRatio = 0.0;
    Measure(state, kFrom, [&] {
        in.clear();
        kor::ShapeExport::CrossSections set;
        const std::size_t base = g_current;
        g_peak = g_current;
        const double start = CpuSeconds();
        set.From(in);
        const double seconds = CpuSeconds() - start;
        benchmark::DoNotOptimize(set.Items().size());
        peakRatio = static_cast<double>(g_peak - base) / static_cast<double>(text.size());
        return seconds;
    });
    state.counters["peak_ratio"] = peakRatio;
}

void BM_NlohmannParse(benchmark::State& state) {
    const std::string& text = Document(state.range(0));
    Measure(state, kParse, [&] {
        const double start = CpuSeconds();
        nlohmann::json json = nlohmann::json::parse(text);
        return CpuSeconds() - start;
    });
    state.counters["From/parse"] = g_rates[kFrom][state.range(0)] / g_rates[kParse][state.range(0)];
}

kor::ShapeExport::CrossSections& Set(std::int64_t style) {
    static kor::ShapeExport::CrossSections sets[2];
    if (sets[style].Positions().empty()) {
        std::istringstream in(Document(style));
        sets[style].From(in);
    }
    return sets[style];
}

// Output that appends to a string which keeps its memory from one iteration to the
// next, so that no writer pays for fresh memory after the first iteration.
class StringOut : public std::streambuf {
public:
    explicit StringOut(std::string& text) : m_text(text) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        m_text.append(text, static_cast<std::size_t>(count));
        return count;
    }
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) m_text.push_back(static_cast<char>(c));
        return c;
    }

private:
    std::string& m_text;
};

void BM_Write(benchmark::State& state) {
    const kor::ShapeExport::CrossSections& set = Set(state.range(0));
    std::string text;
    StringOut buffer(text);
    std::ostream out(&buffer);
    Measure(state, kWrite, [&] {
        text.clear();
        const double start = CpuSeconds();
        set.Write(out);
        return CpuSeconds() - start;
    });
}

void BM_ToAndWriteTree(benchmark::State& state) {
    const kor::ShapeExport::CrossSections& set = Set(state.range(0));
    std::string text;
    StringOut buffer(text);
    std::ostream out(&buffer);
    Measure(state, kToTree, [&] {
        text.clear();
        const double start = CpuSeconds();
        kor::Dom document;
        set.To(document);
        kor::DomWriterJson::Write(out, document);
        return CpuSeconds() - start;
    });
}

void BM_NlohmannDump(benchmark::State& state) {
    const nlohmann::json json = nlohmann::json::parse(Document(state.range(0)));
    std::string text;
    Measure(state, kDump, [&] {
        text.clear();
        const double start = CpuSeconds();
        // What json.dump() does, into the kept string.
        nlohmann::detail::serializer<nlohmann::json> serializer(nlohmann::detail::output_adapter<char>(text), ' ');
        serializer.dump(json, false, false, 0);
        return CpuSeconds() - start;
    });
    state.counters["Write/dump"] = g_rates[kWrite][state.range(0)] / g_rates[kDump][state.range(0)];
    state.counters["ToTree/dump"] = g_rates[kToTree][state.range(0)] / g_rates[kDump][state.range(0)];
}

}  // namespace

BENCHMARK(BM_FromStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_NlohmannParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Write)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ToAndWriteTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NlohmannDump)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
