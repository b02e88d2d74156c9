#pragma once
// FrameDesktop on X11, on a connection of its own: the compositing manager
// is the owner of the selection _NET_WM_CM_S<screen> (XFixes tells when it
// changes hands); the root's structure events tell of windows mapped and
// restacked.

#include <map>
#include <memory>
#include <optional>
#include <set>

#include "app/platform/frame_desktop.hpp"

class QSocketNotifier;

namespace kestrove {

class XcbConnection;

class X11FrameDesktop final : public FrameDesktop {
public:
    // Without an X server: no compositor and no events.
    X11FrameDesktop();
    ~X11FrameDesktop() override;

    bool compositing() const override { return compositing_; }
    void setEvents(Events events) override { events_ = std::move(events); }
    void stack(const std::vector<std::uint32_t>& frames, const std::vector<std::uint32_t>& floating) override;

private:
    void readEvents();
    void restackedSoon();
    // The root's child that holds `window` (a window manager's frame holds its client).
    std::optional<std::uint32_t> topLevelOf(std::uint32_t window, const std::set<std::uint32_t>& children);

    std::unique_ptr<XcbConnection> x_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::uint8_t xfixesEvent_ = 0;
    bool compositing_ = false;
    bool restackPending_ = false;
    std::set<std::uint32_t> frames_;  // as last asked: their own restacks are not news
    std::map<std::uint32_t, std::uint32_t> topLevels_;
    Events events_;
};

}  // namespace kestrove
