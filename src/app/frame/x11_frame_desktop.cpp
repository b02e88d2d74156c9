#include "app/frame/x11_frame_desktop.hpp"

#include <QSocketNotifier>
#include <QTimer>

#include <string>

#include <xcb/xfixes.h>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

namespace {

int screenNumber(XcbConnection& x) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x.get()));
    for (int i = 0; it.rem; ++i, xcb_screen_next(&it))
        if (it.data->root == x.root()) return i;
    return 0;
}

xcb_atom_t compositorSelection(XcbConnection& x) {
    return x.atom("_NET_WM_CM_S" + std::to_string(screenNumber(x)));
}

bool hasOwner(XcbConnection& x) {
    xcb_connection_t* c = x.get();
    auto owner = adopt(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, compositorSelection(x)), nullptr));
    return owner && owner->owner != XCB_NONE;
}

}  // namespace

X11FrameDesktop::X11FrameDesktop() : x_(std::make_unique<XcbConnection>()) {
    if (!x_->ok()) return;
    xcb_connection_t* c = x_->get();
    if (const auto* fixes = xcb_get_extension_data(c, &xcb_xfixes_id); fixes && fixes->present) {
        auto version = adopt(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
        if (version) {
            xfixesEvent_ = fixes->first_event;
            xcb_xfixes_select_selection_input(c, x_->root(), compositorSelection(*x_),
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
    }
    // Structure events of the root's children: maps and restacks. Any number
    // of clients may ask for these (unlike the window manager's redirect).
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, x_->root(), XCB_CW_EVENT_MASK, &mask);
    compositing_ = hasOwner(*x_);
    xcb_flush(c);
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
}

X11FrameDesktop::~X11FrameDesktop() = default;

void X11FrameDesktop::readEvents() {
    xcb_connection_t* c = x_->get();
    bool compositorNews = false;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
        const auto event = adopt(raw);
        const std::uint8_t type = raw->response_type & 0x7f;
        std::uint32_t window = XCB_NONE;
        if (xfixesEvent_ && type == xfixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) compositorNews = true;
        else if (type == XCB_CONFIGURE_NOTIFY) window = reinterpret_cast<xcb_configure_notify_event_t*>(raw)->window;
        else if (type == XCB_MAP_NOTIFY) window = reinterpret_cast<xcb_map_notify_event_t*>(raw)->window;
        else if (type == XCB_CIRCULATE_NOTIFY) window = reinterpret_cast<xcb_circulate_notify_event_t*>(raw)->window;
        if (window != XCB_NONE && !ours_.count(window)) restackedSoon();
    }
    if (xcb_connection_has_error(c)) {
        notifier_->setEnabled(false);
        return;
    }
    if (!compositorNews) return;
    // Asked again rather than read from the event: a manager that quits
    // and one that starts may both be in one batch.
    const bool now = hasOwner(*x_);
    if (now == compositing_) return;
    compositing_ = now;
    if (events_.compositingChanged) events_.compositingChanged();
}

void X11FrameDesktop::restackedSoon() {
    // One answer for a burst of events (a window dragged sends dozens).
    if (restackPending_) return;
    restackPending_ = true;
    QTimer::singleShot(0, notifier_.get(), [this] {
        restackPending_ = false;
        if (events_.restacked) events_.restacked();
    });
}

bool X11FrameDesktop::anyAbove(const std::vector<std::uint32_t>& ours) {
    ours_ = {ours.begin(), ours.end()};
    if (!x_->ok() || ours.empty()) return false;
    xcb_connection_t* c = x_->get();
    auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, x_->root()), nullptr));
    // Events that came in during the round trip wait in the queue, where the
    // socket notifier cannot see them.
    QTimer::singleShot(0, notifier_.get(), [this] { readEvents(); });
    if (!tree) return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int n = xcb_query_tree_children_length(tree.get());
    int lowest = 0;
    while (lowest < n && !ours_.count(children[lowest])) ++lowest;
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    for (int i = lowest + 1; i < n; ++i)
        if (!ours_.count(children[i])) asked.push_back(xcb_get_window_attributes(c, children[i]));
    bool above = false;
    for (auto cookie : asked) {
        auto a = adopt(xcb_get_window_attributes_reply(c, cookie, nullptr));
        above |= a && a->map_state == XCB_MAP_STATE_VIEWABLE && a->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
    }
    return above;
}

}  // namespace kestrove
