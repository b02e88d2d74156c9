#include "app/platform/direct_reader.hpp"

#include <cerrno>
#include <csignal>

#include "app/platform/atspi_tree.hpp"
#include "app/platform/direct_access.hpp"
#include "app/platform/xcb_window_list.hpp"

namespace kestrove {

DirectReader::DirectReader(Factory makePlatform)
    : thread_([this, makePlatform = std::move(makePlatform)]() mutable { loop(std::move(makePlatform)); }) {}

DirectReader::~DirectReader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void DirectReader::post(std::function<void(DirectPlatform&)> work) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        queue_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void DirectReader::loop(Factory makePlatform) {
    DirectPlatform platform = makePlatform();
    for (;;) {
        std::function<void(DirectPlatform&)> work;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) break;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work(platform);
    }
    // The platform's objects end on the thread that made them.
}

std::shared_ptr<DirectReader> DirectReader::shared(double scale) {
    // Never destroyed: the thread may be blocked in a call at exit.
    static DirectReader* reader = new DirectReader([scale] {
        DirectPlatform p;
        p.tree = std::make_unique<AtspiTree>(scale);
        p.windows = std::make_unique<XcbWindowList>(scale);
        p.alive = processAlive;
        p.chromium = [](std::int32_t pid) { return DirectAccess::chromium(pid); };
        return p;
    });
    return std::shared_ptr<DirectReader>(reader, [](DirectReader*) {});
}

bool processAlive(std::int32_t pid) {
    if (pid < 1) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace kestrove
