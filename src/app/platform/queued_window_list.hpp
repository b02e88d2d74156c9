#pragma once
// The window list for the main thread: a blocking window list on one worker
// thread of its own, made there by the factory (the real one keeps its X
// connection on that thread). Binding a drawn box runs there too. A list
// that hears its changes wakes the worker for them; one that cannot is read
// at every instant of its followers' grid.

#include <atomic>
#include <memory>

#include "app/platform/screen_space.hpp"
#include "app/platform/window_list.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class QueuedWindowList final : public AsyncWindowList {
public:
    using Factory = std::function<std::unique_ptr<WindowList>()>;

    // `screens` must outlive the list and answer on any thread (QtScreens does).
    QueuedWindowList(Executor mainThread, Factory make, const Screens& screens);

    Pending list(const std::string& owner, WindowListOptions options,
                 std::function<void(ListedWindows)> done) override;
    Pending listChanged(const std::string& owner, WindowListOptions options, ToldWindows told,
                        std::chrono::milliseconds every, std::function<void(ListedWindows)> done) override;
    Pending bind(const SelectedRegion& selection, std::function<void(SelectedRegion)> done) override;
    void forget(const std::string& owner) override;

private:
    const Screens& screens_;
    std::atomic<bool> hears_ = false;  // the list tells its changes (its queue is woken then)
    WorkQueue<WindowList> queue_;
};

}  // namespace kestrove
