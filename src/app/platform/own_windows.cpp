#include "app/platform/own_windows.hpp"

#include <algorithm>

namespace kestrove {

void OwnWindows::set(const OwnWindow& window) {
    std::function<void()> tell;
    {
        std::lock_guard lock(mutex_);
        auto next = std::make_shared<std::vector<OwnWindow>>(*all_);
        auto it = std::find_if(next->begin(), next->end(), [&](const OwnWindow& w) { return w.id == window.id; });
        if (it != next->end() && *it == window) return;
        if (it != next->end()) *it = window;
        else next->push_back(window);
        all_ = std::move(next);
        tell = onChange_;
    }
    if (tell) tell();
}

void OwnWindows::forget(std::uint32_t id) {
    std::function<void()> tell;
    {
        std::lock_guard lock(mutex_);
        auto next = std::make_shared<std::vector<OwnWindow>>(*all_);
        if (!std::erase_if(*next, [&](const OwnWindow& w) { return w.id == id; })) return;
        all_ = std::move(next);
        tell = onChange_;
    }
    if (tell) tell();
}

OwnWindows::All OwnWindows::all() const {
    std::lock_guard lock(mutex_);
    return all_;
}

bool OwnWindows::isOurs(std::uint32_t id) const {
    const All now = all();
    return std::any_of(now->begin(), now->end(), [&](const OwnWindow& w) { return w.id == id; });
}

void OwnWindows::setOnChange(std::function<void()> onChange) {
    std::lock_guard lock(mutex_);
    onChange_ = std::move(onChange);
}

}  // namespace kestrove
