// What the asynchronous contract costs per call, on top of the work itself:
// a job posted, run and answered without threads, and a round trip through
// a worker thread to an executor waiting on the calling thread.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>

#include "core/foundation/work_queue.hpp"

namespace kestrove {
namespace {

struct Nothing {};

void BM_PostRunAndAnswerWithoutThreads(benchmark::State& state) {
    int answered = 0;
    WorkQueue<Nothing> queue("bench", 0, inlineExecutor(), [] { return std::make_unique<Nothing>(); });
    for (auto _ : state) {
        Pending call = queue.post({"w_1", "capture"}, [](Nothing&) { return 1; }, 0, [&](int a) { answered += a; });
        queue.runAll();
    }
    benchmark::DoNotOptimize(answered);
}

void BM_RoundTripThroughAWorker(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    WorkQueue<Nothing> queue("bench", 1, inlineExecutor(), [] { return std::make_unique<Nothing>(); });
    for (auto _ : state) {
        done = false;
        Pending call = queue.post({"w_1", "capture"}, [](Nothing&) { return 1; }, 0, [&](int) {
            std::lock_guard lock(mutex);
            done = true;
            cv.notify_one();
        });
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return done; });
    }
}

BENCHMARK(BM_PostRunAndAnswerWithoutThreads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundTripThroughAWorker)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrove
