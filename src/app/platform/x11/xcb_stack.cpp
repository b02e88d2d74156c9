#include "app/platform/x11/xcb_stack.hpp"

#include <algorithm>
#include <cstdlib>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

namespace {

PixelRect outerRect(int x, int y, int w, int h, int border) { return {x, y, w + 2 * border, h + 2 * border}; }

}  // namespace

XcbStack::XcbStack(XcbConnection& x) : x_(x) {
    if (!x_.ok()) return;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x_.get(), x_.root(), XCB_CW_EVENT_MASK, &mask);
    reload();
}

void XcbStack::reload() {
    windows_.clear();
    topLevels_.clear();
    xcb_connection_t* c = x_.get();
    // Notices asked for before the tree is read: nothing changes unseen.
    auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, x_.root()), nullptr));
    if (!tree) return;
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    const int n = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (int i = 0; i < n; ++i) {
        attributes.push_back(xcb_get_window_attributes(c, kids[i]));
        geometries.push_back(xcb_get_geometry(c, kids[i]));
    }
    for (int i = 0; i < n; ++i) {
        auto a = adopt(xcb_get_window_attributes_reply(c, attributes[std::size_t(i)], nullptr));
        auto g = adopt(xcb_get_geometry_reply(c, geometries[std::size_t(i)], nullptr));
        if (!a || !g) continue;  // gone meanwhile: its destroy notice is on its way
        windows_.push_back({kids[i], outerRect(g->x, g->y, g->width, g->height, g->border_width), g->border_width,
                            a->map_state != XCB_MAP_STATE_UNMAPPED, a->_class == XCB_WINDOW_CLASS_INPUT_ONLY});
    }
}

const StackedWindow* XcbStack::find(xcb_window_t id) const {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const StackedWindow& w) { return w.id == id; });
    return it == windows_.end() ? nullptr : &*it;
}

void XcbStack::remove(xcb_window_t id) {
    std::erase_if(windows_, [&](const StackedWindow& w) { return w.id == id; });
    std::erase_if(topLevels_, [&](const auto& kept) { return kept.first == id || kept.second == id; });
}

void XcbStack::place(const StackedWindow& w, xcb_window_t above) {
    std::erase_if(windows_, [&](const StackedWindow& have) { return have.id == w.id; });
    if (above == XCB_WINDOW_NONE) {
        windows_.insert(windows_.begin(), w);
        return;
    }
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const StackedWindow& have) { return have.id == above; });
    windows_.insert(it == windows_.end() ? windows_.end() : it + 1, w);
}

void XcbStack::created(const xcb_create_notify_event_t& e) {
    // A new window goes on top of its siblings, unmapped. Only asking tells
    // an input-only one (it never shows pixels); new top-level windows are
    // rare enough for a round trip each.
    xcb_connection_t* c = x_.get();
    // A window of the server's own (its ids are those of client 0) is a
    // compositing manager's overlay, which the tree leaves out: it shows
    // what the manager composes, never a window of its own.
    if (e.window <= xcb_get_setup(c)->resource_id_mask) return;
    xcb_generic_error_t* error = nullptr;
    auto a = adopt(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, e.window), &error));
    std::free(error);
    if (!a) return;  // gone already
    place({e.window, outerRect(e.x, e.y, e.width, e.height, e.border_width), e.border_width, false,
           a->_class == XCB_WINDOW_CLASS_INPUT_ONLY},
          windows_.empty() ? xcb_window_t{XCB_WINDOW_NONE} : windows_.back().id);
}

void XcbStack::circulated(const xcb_circulate_notify_event_t& e) {
    const StackedWindow* had = find(e.window);
    if (!had) return;
    const StackedWindow w = *had;
    if (e.place == XCB_PLACE_ON_BOTTOM) {
        place(w, XCB_WINDOW_NONE);
    } else {
        remove(w.id);
        windows_.push_back(w);
    }
}

bool XcbStack::handle(const xcb_generic_event_t& event) {
    const xcb_window_t root = x_.root();
    switch (event.response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_create_notify_event_t&>(event);
            if (e.parent != root) return false;
            created(e);
            return true;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
            if (e.event != root) return false;
            remove(e.window);
            return true;
        }
        case XCB_MAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_map_notify_event_t&>(event);
            if (e.event != root) return false;
            for (StackedWindow& w : windows_)
                if (w.id == e.window) w.mapped = true;
            return true;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_unmap_notify_event_t&>(event);
            if (e.event != root) return false;
            for (StackedWindow& w : windows_)
                if (w.id == e.window) w.mapped = false;
            return true;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
            if (e.event != root) return false;
            const StackedWindow* had = find(e.window);
            if (!had) return true;
            StackedWindow w = *had;
            w.outer = outerRect(e.x, e.y, e.width, e.height, e.border_width);
            w.border = e.border_width;
            place(w, e.above_sibling);
            return true;
        }
        case XCB_GRAVITY_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_gravity_notify_event_t&>(event);
            if (e.event != root) return false;
            for (StackedWindow& w : windows_)
                if (w.id == e.window) w.outer = {e.x, e.y, w.outer.width, w.outer.height};
            return true;
        }
        case XCB_CIRCULATE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_circulate_notify_event_t&>(event);
            if (e.event != root) return false;
            circulated(e);
            return true;
        }
        case XCB_REPARENT_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
            if (e.event != root) return false;
            std::erase_if(topLevels_, [&](const auto& kept) { return kept.first == e.window; });
            // Into the root (a window manager letting a client go): its size
            // is not in the notice, so the tree is read again.
            if (e.parent == root) reload();
            else remove(e.window);
            return true;
        }
        default: return false;
    }
}

std::optional<xcb_window_t> XcbStack::topLevelOf(xcb_window_t window) {
    if (find(window)) return window;
    if (auto it = topLevels_.find(window); it != topLevels_.end() && find(it->second)) return it->second;
    xcb_connection_t* c = x_.get();
    xcb_window_t at = window;
    for (int level = 0; level < 16; ++level) {
        xcb_generic_error_t* error = nullptr;
        auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, at), &error));
        std::free(error);
        if (!tree) return std::nullopt;
        if (tree->parent == x_.root()) {
            topLevels_[window] = at;
            return at;
        }
        if (tree->parent == XCB_WINDOW_NONE) return std::nullopt;
        at = tree->parent;
    }
    return std::nullopt;
}

}  // namespace kestrove
