#include "app/platform/direct_reader.hpp"

#include <cerrno>
#include <csignal>

#include "app/platform/atspi/atspi_tree.hpp"
#include "app/platform/atspi/direct_access.hpp"
#include "app/platform/x11/xcb_window_list.hpp"

namespace kestrove {

DirectReader::DirectReader(Factory makePlatform)
    : thread_(loop, state_, std::move(makePlatform)) {}

DirectReader::~DirectReader() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->queue.clear();
    }
    state_->wake.notify_all();
    // A session released by the work it posted ends its reader on the reader's thread.
    if (onReaderThread()) thread_.detach();
    else if (thread_.joinable()) thread_.join();
}

void DirectReader::post(std::function<void(DirectPlatform&)> work) {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping) return;
        state_->queue.push_back(std::move(work));
    }
    state_->wake.notify_one();
}

void DirectReader::loop(std::shared_ptr<State> state, Factory makePlatform) {
    DirectPlatform platform = makePlatform();
    state->platform = &platform;
    for (;;) {
        std::function<void(DirectPlatform&)> work;
        {
            std::unique_lock lock(state->mutex);
            state->wake.wait(lock, [&] { return state->stopping || !state->queue.empty(); });
            if (state->stopping) break;
            work = std::move(state->queue.front());
            state->queue.pop_front();
        }
        work(platform);
    }
    state->platform = nullptr;
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
