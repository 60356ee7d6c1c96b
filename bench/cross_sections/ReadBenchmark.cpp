// Reading a large cross-section document end to end (CrossSections::From on a
// stream) against parsing the same text with nlohmann::json alone, and writing a
// set back (To + serialisation). The document: 2 000 000 points and 200 000 loops
// of 10 indices, about 50 MB. "peak_ratio" is the most heap memory held at once
// during one read, divided by the document's size (counted by replacing the
// global operator new and delete in this program).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include <kor/Dom.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

namespace {

std::size_t g_current = 0;
std::size_t g_peak = 0;

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

const std::string& Document() {
    static const std::string text = [] {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
        std::uniform_int_distribution<int> index(0, 1999999);
        std::ostringstream out;
        out.setf(std::ios::fixed);
        out.precision(6);
        out << "{\"RefPoints\": [], \"Outlines\": [[";
        for (int i = 0; i < 2000000; ++i) out << (i ? ",[" : "[") << coordinate(rng) << ',' << coordinate(rng) << ']';
        out << "], [";
        for (int i = 0; i < 200000; ++i) {
            out << (i ? ",[[[" : "[[[");
            for (int k = 0; k < 10; ++k) out << (k ? "," : "") << index(rng);
            out << "],true]]";
        }
        out << "]]}";
        return out.str();
    }();
    return text;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(Document().size()));
}

void BM_CrossSectionsFromStream(benchmark::State& state) {
    const std::string& text = Document();
    double peakRatio = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::istringstream in(text);
        kor::ShapeExport::CrossSections set;
        const std::size_t base = g_current;
        g_peak = g_current;
        state.ResumeTiming();
        set.From(in);
        benchmark::DoNotOptimize(set.Items().size());
        state.PauseTiming();
        // The stream's own copy of the text is the caller's, not the reader's.
        peakRatio = static_cast<double>(g_peak - base) / static_cast<double>(text.size());
        state.ResumeTiming();
    }
    SetBytes(state);
    state.counters["peak_ratio"] = peakRatio;
}

void BM_NlohmannParse(benchmark::State& state) {
    const std::string& text = Document();
    for (auto _ : state) {
        nlohmann::json json = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(json.size());
    }
    SetBytes(state);
}

void BM_CrossSectionsToText(benchmark::State& state) {
    std::istringstream in(Document());
    kor::ShapeExport::CrossSections set;
    set.From(in);
    for (auto _ : state) {
        kor::Dom dom;
        set.To(dom);
        const std::string text = kor::DomWriterJson::ToString(dom);
        benchmark::DoNotOptimize(text.size());
    }
    SetBytes(state);
}

}  // namespace

BENCHMARK(BM_CrossSectionsFromStream)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NlohmannParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CrossSectionsToText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
