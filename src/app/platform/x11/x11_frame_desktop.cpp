#include "app/platform/x11/x11_frame_desktop.hpp"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>

#include <string>

#include <xcb/xfixes.h>

#include "app/platform/main_thread_executor.hpp"
#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

X11FrameDesktop::X11FrameDesktop() : x_(std::make_unique<XcbConnection>()) {
    if (!x_->ok()) return;
    xcb_connection_t* c = x_->get();
    xfixesEvent_ = x_->followCompositor();
    // Structure events of the root's children: maps and restacks. Any number
    // of clients may ask for these (unlike the window manager's redirect).
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, x_->root(), XCB_CW_EVENT_MASK, &mask);
    compositing_ = x_->compositorRunning();
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
        if (window != XCB_NONE && !frames_.count(window)) restackedSoon();
    }
    if (xcb_connection_has_error(c)) {
        notifier_->setEnabled(false);
        return;
    }
    if (!compositorNews) return;
    // Asked again rather than read from the event: a manager that quits
    // and one that starts may both be in one batch.
    const bool now = x_->compositorRunning();
    if (now == compositing_) return;
    compositing_ = now;
    if (events_.compositingChanged) events_.compositingChanged();
}

void X11FrameDesktop::restackedSoon() {
    // One answer for a burst of events (a window dragged sends dozens).
    if (restackPending_) return;
    restackPending_ = true;
    postTo(notifier_.get(), [this] {
        restackPending_ = false;
        if (events_.restacked) events_.restacked();
    });
}

std::optional<std::uint32_t> X11FrameDesktop::topLevelOf(std::uint32_t window,
                                                         const std::set<std::uint32_t>& children) {
    if (children.count(window)) return window;
    if (auto it = topLevels_.find(window); it != topLevels_.end() && children.count(it->second)) return it->second;
    // Climbed once per window: ours are few, and a window manager's frame
    // keeps its client for the client's life.
    xcb_connection_t* c = x_->get();
    std::uint32_t at = window;
    for (int level = 0; level < 16; ++level) {
        xcb_generic_error_t* error = nullptr;
        auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, at), &error));
        std::free(error);
        if (!tree || tree->parent == XCB_WINDOW_NONE) return std::nullopt;
        if (tree->parent == x_->root()) {
            topLevels_[window] = at;
            return at;
        }
        at = tree->parent;
    }
    return std::nullopt;
}

void X11FrameDesktop::stack(const std::vector<std::uint32_t>& frames, const std::vector<std::uint32_t>& floating) {
    frames_ = {frames.begin(), frames.end()};
    if (!x_->ok() || frames.empty()) return;
    xcb_connection_t* c = x_->get();
    // Qt's own connection made and shows the windows: what it asked is done
    // before the tree is read, or a frame just made would be missing from it.
    if (auto* qt = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        std::free(xcb_get_input_focus_reply(qt->connection(), xcb_get_input_focus(qt->connection()), nullptr));
    auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, x_->root()), nullptr));
    // Events that came in during the round trips wait in the queue, where the
    // socket notifier cannot see them.
    postTo(notifier_.get(), [this] { readEvents(); });
    if (!tree) return;
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    const std::vector<std::uint32_t> order(kids, kids + xcb_query_tree_children_length(tree.get()));  // bottom to top
    const std::set<std::uint32_t> children(order.begin(), order.end());
    std::set<std::uint32_t> floats;
    for (std::uint32_t w : floating)
        if (auto top = topLevelOf(w, children)) floats.insert(*top);

    std::vector<xcb_get_window_attributes_cookie_t> asked;
    for (std::uint32_t w : order) asked.push_back(xcb_get_window_attributes(c, w));
    std::vector<bool> shows(order.size(), false);
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto a = adopt(xcb_get_window_attributes_reply(c, asked[i], nullptr));
        shows[i] = a && a->map_state == XCB_MAP_STATE_VIEWABLE && a->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
    }
    // The frames belong right under the lowest floating window of ours that
    // shows, or on top. Out of place: a frame above that window, or another
    // program's window between the lowest frame and that place.
    std::size_t ceiling = order.size();
    for (std::size_t i = 0; i < order.size() && ceiling == order.size(); ++i)
        if (shows[i] && floats.count(order[i])) ceiling = i;
    bool misplaced = false, seenFrame = false;
    for (std::size_t i = 0; i < order.size(); ++i) {
        // Hidden frames too: a frame keeps its place when it is mapped.
        const bool frame = frames_.count(order[i]) > 0;
        if (frame) {
            seenFrame = true;
            misplaced |= i > ceiling;
        } else if (seenFrame && shows[i] && i < ceiling && !floats.count(order[i])) {
            misplaced = true;
        }
    }
    if (!misplaced) return;
    for (std::uint32_t w : order) {
        if (!frames_.count(w)) continue;
        if (ceiling < order.size()) {
            const std::uint32_t values[] = {order[ceiling], XCB_STACK_MODE_BELOW};
            xcb_configure_window(c, w, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        } else {
            const std::uint32_t values[] = {XCB_STACK_MODE_ABOVE};
            xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, values);
        }
    }
    xcb_flush(c);
}

}  // namespace kestrove
