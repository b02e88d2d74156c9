#pragma once
// The window list read from the X server on a connection of its own: the
// window manager's clients by stacking, or the root's children without one.

#include <memory>

#include "app/platform/screen_space.hpp"
#include "app/platform/window_list.hpp"

namespace kestrove {

class XcbConnection;

class XcbWindowList final : public WindowList {
public:
    // `scale`: device pixels per point (rectangles are divided by it).
    explicit XcbWindowList(double scale = 1);
    // Each window's rectangle divided by the scale of the screen it is on.
    // `screens` must outlive the list and answer on its thread (QtScreens does).
    explicit XcbWindowList(const Screens& screens);
    ~XcbWindowList() override;

    // False without an X server; the list is then always empty.
    bool isConnected() const override;

    std::vector<WindowInfo> list(WindowListOptions options) override;
    std::optional<std::string> bundleID(std::uint32_t window) override;

private:
    std::unique_ptr<XcbConnection> x_;
    double scale_ = 1;
    const Screens* screens_ = nullptr;
};

}  // namespace kestrove
