#include "app/platform/x11/xcb_window_changes.hpp"

#include <cstdlib>
#include <string_view>
#include <utility>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

XcbWindowChanges::XcbWindowChanges(XcbConnection& x) : x_(x) {
    if (!x_.ok()) return;
    constexpr std::string_view read[] = {"_NET_SUPPORTING_WM_CHECK", "_NET_CURRENT_DESKTOP",
                                         "_NET_CLIENT_LIST_STACKING", "_NET_WM_PID",
                                         "_NET_WM_STATE", "_NET_WM_DESKTOP",
                                         "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_OPACITY"};
    for (std::string_view name : read) readProperties_.insert(x_.atom(name));
    readProperties_.insert(XCB_ATOM_WM_CLASS);
    // The root's own size comes with the structure notices; the window
    // manager's frames (or, without one, the windows themselves) with the
    // substructure ones.
    const std::uint32_t mask =
        XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x_.get(), x_.root(), XCB_CW_EVENT_MASK, &mask);
}

void XcbWindowChanges::watch(const std::vector<std::uint32_t>& windows) {
    if (!x_.ok()) return;
    std::unordered_set<std::uint32_t> now(windows.begin(), windows.end());
    // Structure too: a window moved inside its frame tells only itself.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    // A window gone meanwhile answers with an error, which counts as a change.
    for (std::uint32_t w : now)
        if (!watched_.contains(w)) xcb_change_window_attributes(x_.get(), w, XCB_CW_EVENT_MASK, &mask);
    watched_ = std::move(now);
}

bool XcbWindowChanges::changedSinceLastAsked() {
    if (!x_.ok()) return true;
    // The reply comes after every notice the server sent before it.
    xcb_generic_error_t* error = nullptr;
    std::free(xcb_get_input_focus_reply(x_.get(), xcb_get_input_focus(x_.get()), &error));
    const bool failed = error != nullptr;
    std::free(error);
    return takeNotices() || failed;
}

bool XcbWindowChanges::changedSinceLastLooked() {
    if (!x_.ok() || xcb_connection_has_error(x_.get())) return true;
    return takeNotices();
}

void XcbWindowChanges::takeQueued() {
    if (!x_.ok()) return;
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(x_.get())) {
        queuedMattered_ = takeIn(*event) || queuedMattered_;
        std::free(event);
    }
}

bool XcbWindowChanges::takeNotices() {
    bool changed = std::exchange(queuedMattered_, false);
    while (xcb_generic_event_t* event = xcb_poll_for_event(x_.get())) {
        changed = takeIn(*event) || changed;  // each one, as it may be a destroy
        std::free(event);
    }
    return changed;
}

bool XcbWindowChanges::takeIn(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    // Heard twice when it was a child of the root: once is enough.
    if (type == XCB_DESTROY_NOTIFY) {
        const auto& d = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        if (destroyed_.empty() || destroyed_.back() != d.window) destroyed_.push_back(d.window);
    }
    if (type != XCB_PROPERTY_NOTIFY) return true;
    const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
    return readProperties_.contains(p.atom);
}

}  // namespace kestrove
