#pragma once
// One blocking window list read by several worker threads, one at a time:
// each thread holds a handle, and the list (its connection, what it keeps
// between readings, its full readings) is the same for all.

#include <memory>
#include <mutex>

#include "app/platform/window_list.hpp"

namespace kestrove {

class SharedWindowList final : public WindowList {
public:
    // What the handles share: the list, and the lock that lets one thread read it at a time.
    struct Shared {
        explicit Shared(std::unique_ptr<WindowList> l) : list(std::move(l)) {}
        mutable std::mutex mutex;
        const std::unique_ptr<WindowList> list;
    };

    explicit SharedWindowList(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    std::vector<WindowInfo> list(WindowListOptions options) override {
        std::lock_guard lock(shared_->mutex);
        return shared_->list->list(options);
    }
    std::optional<std::string> bundleID(std::uint32_t window) override {
        std::lock_guard lock(shared_->mutex);
        return shared_->list->bundleID(window);
    }
    bool isConnected() const override {
        std::lock_guard lock(shared_->mutex);
        return shared_->list->isConnected();
    }

private:
    const std::shared_ptr<Shared> shared_;
};

}  // namespace kestrove
