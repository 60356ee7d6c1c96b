#include "Progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define SHAPEEXPORT_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define SHAPEEXPORT_ISATTY(fd) isatty(fd)
#endif

namespace kor {
namespace ShapeExport {
namespace Tool {

namespace {
constexpr auto kDelay = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(200);
}  // namespace

bool Progress::Enabled() { return SHAPEEXPORT_ISATTY(2) != 0; }

Progress::Progress(std::string label) : m_label(std::move(label)), m_start(std::chrono::steady_clock::now()) {
    if (Enabled()) m_thread = std::thread([this] { Run(); });
}

Progress::~Progress() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Progress::Run() {
    static const char spinner[] = {'|', '/', '-', '\\'};
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_wake.wait_for(lock, kDelay, [this] { return m_done; })) return;
    unsigned tick = 0;
    int lastLength = 0;
    while (!m_done) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const float fraction = m_fraction.load();
        char line[256];
        int length = fraction >= 0.0f ? std::snprintf(line, sizeof line, "%c %s %3.0f%%  %.1f s", spinner[tick % 4],
                                                      m_label.c_str(), static_cast<double>(fraction) * 100.0, seconds)
                                      : std::snprintf(line, sizeof line, "%c %s  %.1f s", spinner[tick % 4],
                                                      m_label.c_str(), seconds);
        if (length < 0) length = 0;
        if (length >= static_cast<int>(sizeof line)) length = sizeof line - 1;
        std::fprintf(stderr, "\r%s%*s", line, lastLength > length ? lastLength - length : 0, "");
        std::fflush(stderr);
        lastLength = length;
        ++tick;
        m_wake.wait_for(lock, kInterval, [this] { return m_done; });
    }
    std::fprintf(stderr, "\r%*s\r", lastLength, "");
    std::fflush(stderr);
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
