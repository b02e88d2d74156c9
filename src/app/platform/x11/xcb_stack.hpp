#pragma once
// The root's children in stacking order, bottom to top, with their places
// and whether they are mapped: read once, then kept by the root's
// substructure notices, so a capture knows what lies over its box without
// asking the server. Also which of them holds a given window (a window
// manager's frame holds its client). One thread, on the capturer's connection.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include <xcb/xcb.h>

#include "core/foundation/geometry.hpp"

namespace kestrove {

class XcbConnection;

struct StackedWindow {
    xcb_window_t id = XCB_WINDOW_NONE;
    PixelRect outer;  // root pixels, border included
    int border = 0;
    bool mapped = false;
    bool inputOnly = false;  // never shows pixels
    bool operator==(const StackedWindow&) const = default;
};

class XcbStack {
public:
    // Asks for the root's substructure notices, then reads the tree.
    explicit XcbStack(XcbConnection& x);

    // A notice about the root's children: true when it was one (handled).
    bool handle(const xcb_generic_event_t& event);
    // Reads the whole tree again (after a notice that cannot be followed).
    void reload();

    const std::vector<StackedWindow>& bottomToTop() const { return windows_; }
    const StackedWindow* find(xcb_window_t id) const;

    // The root's child that holds `window` (itself for a root child); asked
    // once per window, then kept until that child goes or `window` moves.
    std::optional<xcb_window_t> topLevelOf(xcb_window_t window);

private:
    void place(const StackedWindow& w, xcb_window_t above);
    void created(const xcb_create_notify_event_t& e);
    void circulated(const xcb_circulate_notify_event_t& e);
    void remove(xcb_window_t id);

    XcbConnection& x_;
    std::vector<StackedWindow> windows_;
    std::unordered_map<xcb_window_t, xcb_window_t> topLevels_;
};

}  // namespace kestrove
