#include "app/platform/x11/xcb_window_list.hpp"

#include <unistd.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_windows.hpp"

namespace kestrove {

XcbWindowList::XcbWindowList(double scale) : x_(std::make_unique<XcbConnection>()), scale_(scale) {}

XcbWindowList::XcbWindowList(const Screens& screens) : x_(std::make_unique<XcbConnection>()), screens_(&screens) {}

XcbWindowList::~XcbWindowList() = default;

bool XcbWindowList::isConnected() const { return x_->ok() && !xcb_connection_has_error(x_->get()); }

std::vector<WindowInfo> XcbWindowList::list(WindowListOptions options) {
    if (!isConnected()) return {};
    const auto desk = xcbwindows::desk(*x_);
    const auto order = xcbwindows::stacking(*x_, desk);
    const std::vector<ScreenInfo> screens = screens_ ? screens_->screens() : std::vector<ScreenInfo>{};
    std::vector<WindowInfo> out;
    out.reserve(order.size());
    for (auto& info : xcbwindows::describe(*x_, order, desk, screens_ ? 1 : scale_, ::getpid())) {
        if (!info) continue;
        if (options == WindowListOptions::onScreenOnly && !info->isOnScreen) continue;
        if (screens_) {
            const Rect f = info->frame;
            const double s = ScreenSpace::scaleAtPixels(f, screens);
            info->frame = {f.x / s, f.y / s, f.width / s, f.height / s};
        }
        out.push_back(std::move(*info));
    }
    return out;
}

std::optional<std::string> XcbWindowList::bundleID(std::uint32_t window) {
    if (!isConnected()) return std::nullopt;
    return xcbwindows::bundleID(*x_, window);
}

}  // namespace kestrove
