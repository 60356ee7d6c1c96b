// Internal: running independent jobs on several threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kor {
namespace ShapeExport {
namespace detail {

// Calls job(i) for every i in [0, count) on up to `threads` threads (0: one per
// core), each index once, and returns when all are done. The first exception a job
// throws is rethrown here once every thread has stopped.
template <typename Job>
void ForEachIndex(std::size_t count, unsigned threads, const Job& job) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>(threads, count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) job(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < count;) {
            try {
                job(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                next = count;  // the others stop at their next job
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    try {
        for (std::size_t w = 1; w < workers; ++w) pool.emplace_back(work);
    } catch (...) {
        // No thread to be had: the jobs still run, on the threads there are.
    }
    work();
    for (std::thread& thread : pool) thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
