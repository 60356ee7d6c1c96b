// A one-line activity indicator for long steps (importing, welding) on standard
// error. It is shown only when standard error is a terminal, and only once a step
// has run for half a second, so short runs and redirected output stay clean. The
// line is erased when the step ends.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kor {
namespace ShapeExport {
namespace Tool {

class Progress {
public:
    // True when standard error is a terminal.
    static bool Enabled();

    explicit Progress(std::string label);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Share of the step done, 0 to 1; negative: unknown (only the time is shown).
    void SetFraction(float fraction) { m_fraction.store(fraction); }

private:
    void Run();

    std::string m_label;
    std::atomic<float> m_fraction{-1.0f};
    std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
