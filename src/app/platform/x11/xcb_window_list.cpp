#include "app/platform/x11/xcb_window_list.hpp"

#include <unistd.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_windows.hpp"

namespace kestrove {

XcbWindowList::XcbWindowList(double scale) : x_(std::make_unique<XcbConnection>()), scale_(scale) {}

XcbWindowList::~XcbWindowList() = default;

bool XcbWindowList::isConnected() const { return x_->ok() && !xcb_connection_has_error(x_->get()); }

std::vector<WindowInfo> XcbWindowList::list(WindowListOptions options) {
    if (!isConnected()) return {};
    const auto desk = xcbwindows::desk(*x_);
    const auto order = xcbwindows::stacking(*x_, desk);
    std::vector<WindowInfo> out;
    out.reserve(order.size());
    for (auto& info : xcbwindows::describe(*x_, order, desk, scale_, ::getpid())) {
        if (!info) continue;
        if (options == WindowListOptions::onScreenOnly && !info->isOnScreen) continue;
        out.push_back(std::move(*info));
    }
    return out;
}

std::optional<std::string> XcbWindowList::bundleID(std::uint32_t window) {
    if (!isConnected()) return std::nullopt;
    return xcbwindows::bundleID(*x_, window);
}

}  // namespace kestrove
