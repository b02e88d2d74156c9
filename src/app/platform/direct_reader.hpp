#pragma once
// The one thread on which every accessibility call runs, for all sessions,
// one piece of work at a time. What the work may touch (the accessibility
// tree, a window list of its own, the process tests) is created on that
// thread and lives there.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "app/platform/accessibility_tree.hpp"
#include "app/platform/window_list.hpp"
#include "core/windows/chromium_detection.hpp"

namespace kestrove {

struct DirectPlatform {
    std::unique_ptr<AccessibilityTree> tree;
    std::unique_ptr<WindowList> windows;
    // Whether a process still exists (signal 0; a refusal counts as alive).
    std::function<bool(std::int32_t)> alive;
    std::function<ChromiumDetection::Verdict(std::int32_t)> chromium;
};

class DirectReader {
public:
    using Factory = std::function<DirectPlatform()>;

    // Starts the thread; `makePlatform` runs on it, first.
    explicit DirectReader(Factory makePlatform);
    // Waits for the work under way (unless the last owner lets go on the
    // reader's own thread); work still queued is dropped.
    ~DirectReader();
    DirectReader(const DirectReader&) = delete;
    DirectReader& operator=(const DirectReader&) = delete;

    // The application's reader over AT-SPI and X11, started on first use and
    // kept for the life of the process. `scale`: device pixels per point.
    static std::shared_ptr<DirectReader> shared(double scale = 1);

    void post(std::function<void(DirectPlatform&)> work);

    // Runs the work on the reader's thread and waits for its result (at
    // once when already there, so work may open sessions without deadlock).
    template <typename F> auto run(F work) -> decltype(work(std::declval<DirectPlatform&>())) {
        using T = decltype(work(std::declval<DirectPlatform&>()));
        if (onReaderThread() && state_->platform) return work(*state_->platform);
        auto done = std::make_shared<std::promise<T>>();
        std::future<T> result = done->get_future();
        post([done, work = std::move(work)](DirectPlatform& p) mutable {
            if constexpr (std::is_void_v<T>) {
                work(p);
                done->set_value();
            } else {
                done->set_value(work(p));
            }
        });
        return result.get();
    }

    // Whether the caller is on the reader's thread.
    bool onReaderThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    // Shared with the thread, which may outlive this object by one piece of work.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::function<void(DirectPlatform&)>> queue;
        bool stopping = false;
        DirectPlatform* platform = nullptr;  // set on the reader's thread while it runs
    };
    static void loop(std::shared_ptr<State> state, Factory makePlatform);

    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
};

// The signal-0 test: alive unless the process is gone (EPERM means it exists).
bool processAlive(std::int32_t pid);

}  // namespace kestrove
