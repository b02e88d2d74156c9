#include "app/platform/own_windows.hpp"

#include <algorithm>

namespace kestrove {

void OwnWindows::set(const OwnWindow& window) {
    std::lock_guard lock(mutex_);
    auto next = std::make_shared<std::vector<OwnWindow>>(*all_);
    auto it = std::find_if(next->begin(), next->end(), [&](const OwnWindow& w) { return w.id == window.id; });
    if (it != next->end() && *it == window) return;
    if (it != next->end()) *it = window;
    else next->push_back(window);
    all_ = std::move(next);
}

void OwnWindows::forget(std::uint32_t id) {
    std::lock_guard lock(mutex_);
    auto next = std::make_shared<std::vector<OwnWindow>>(*all_);
    if (!std::erase_if(*next, [&](const OwnWindow& w) { return w.id == id; })) return;
    all_ = std::move(next);
}

OwnWindows::All OwnWindows::all() const {
    std::lock_guard lock(mutex_);
    return all_;
}

bool OwnWindows::isOurs(std::uint32_t id) const {
    const All now = all();
    return std::any_of(now->begin(), now->end(), [&](const OwnWindow& w) { return w.id == id; });
}

void OwnWindows::setHelpers(std::vector<std::int32_t> processes) {
    std::lock_guard lock(mutex_);
    helpers_ = std::move(processes);
}

std::vector<std::int32_t> OwnWindows::helpers() const {
    std::lock_guard lock(mutex_);
    return helpers_;
}

}  // namespace kestrove
