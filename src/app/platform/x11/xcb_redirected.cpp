#include "app/platform/x11/xcb_redirected.hpp"

#include <cstdlib>
#include <vector>

#include <xcb/composite.h>
#include <xcb/damage.h>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

namespace {

constexpr std::uint32_t ownMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE;
constexpr int exposerDepth = 3;  // toolkits nest a window or two inside the top-level one

std::string xError(const char* what, const xcb_generic_error_t* e) {
    return std::string(what) + " (X error " + std::to_string(e ? e->error_code : 0) + ")";
}

}  // namespace

XcbRedirected::XcbRedirected(XcbConnection& x, xcb_window_t window, std::uint8_t damageEvent)
    : x_(x), window_(window), damageEvent_(damageEvent) {}

Result<std::unique_ptr<XcbRedirected>, std::string> XcbRedirected::start(XcbConnection& x, xcb_window_t window,
                                                                         std::uint8_t damageEvent) {
    std::unique_ptr<XcbRedirected> r(new XcbRedirected(x, window, damageEvent));
    xcb_connection_t* c = x.get();
    // Heard before the redirection, so its exposures reach us too.
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &ownMask);
    std::vector<std::pair<xcb_window_t, std::pair<int, int>>> level{{window, {0, 0}}};
    for (int depth = 0; depth < exposerDepth && !level.empty(); ++depth) {
        std::vector<std::pair<xcb_window_t, xcb_query_tree_cookie_t>> trees;
        for (const auto& [w, at] : level) trees.emplace_back(w, xcb_query_tree(c, w));
        std::vector<std::pair<xcb_window_t, std::pair<xcb_get_geometry_cookie_t, std::pair<int, int>>>> kids;
        for (std::size_t i = 0; i < trees.size(); ++i) {
            xcb_generic_error_t* e = nullptr;
            auto tree = adopt(xcb_query_tree_reply(c, trees[i].second, &e));
            std::free(e);
            if (!tree) continue;
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            for (int k = 0; k < xcb_query_tree_children_length(tree.get()); ++k)
                kids.push_back({children[k], {xcb_get_geometry(c, children[k]), level[i].second}});
        }
        level.clear();
        const std::uint32_t exposure = XCB_EVENT_MASK_EXPOSURE;
        for (auto& [kid, asked] : kids) {
            xcb_generic_error_t* e = nullptr;
            auto g = adopt(xcb_get_geometry_reply(c, asked.first, &e));
            std::free(e);
            if (!g) continue;
            const std::pair<int, int> at{asked.second.first + g->x + g->border_width,
                                         asked.second.second + g->y + g->border_width};
            xcb_change_window_attributes(c, kid, XCB_CW_EVENT_MASK, &exposure);
            r->exposers_[kid] = at;
            level.push_back({kid, at});
        }
    }
    r->damage_ = xcb_generate_id(c);
    xcb_damage_create(c, r->damage_, window, XCB_DAMAGE_REPORT_LEVEL_DELTA_RECTANGLES);
    // Every drawing, until what the redirection exposed is painted: the delta
    // reports above stay silent over parts already reported and not yet
    // acknowledged, and the program may draw before we acknowledge.
    r->drawings_ = xcb_generate_id(c);
    xcb_damage_create(c, r->drawings_, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    if (xcb_generic_error_t* e = xcb_request_check(
            c, xcb_composite_redirect_window_checked(c, window, XCB_COMPOSITE_REDIRECT_AUTOMATIC))) {
        std::string why = xError("XComposite could not redirect the window", e);
        std::free(e);
        return why;
    }
    r->redirected_ = true;
    auto geometry = xcb_get_geometry(c, window);
    auto attributes = xcb_get_window_attributes(c, window);
    xcb_generic_error_t* e = nullptr;
    auto g = adopt(xcb_get_geometry_reply(c, geometry, &e));
    auto a = adopt(xcb_get_window_attributes_reply(c, attributes, nullptr));
    if (!g || !a) {
        std::string why = xError("the window is gone", e);
        std::free(e);
        r->gone_ = true;
        return why;
    }
    r->size_ = {g->width, g->height};
    r->border_ = g->border_width;
    r->mapped_ = a->map_state == XCB_MAP_STATE_VIEWABLE;
    return r;
}

XcbRedirected::~XcbRedirected() {
    xcb_connection_t* c = x_.get();
    if (!c || xcb_connection_has_error(c)) return;
    if (pixmap_) xcb_free_pixmap(c, pixmap_);
    if (!gone_) {
        // A window gone meanwhile answers these with errors nobody waits for.
        const std::uint32_t none = 0;
        xcb_change_window_attributes(c, window_, XCB_CW_EVENT_MASK, &none);
        for (const auto& [w, at] : exposers_) xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &none);
        if (damage_) xcb_damage_destroy(c, damage_);
        if (drawings_) xcb_damage_destroy(c, drawings_);
        if (redirected_) xcb_composite_unredirect_window(c, window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    }
    xcb_flush(c);
}

std::optional<xcb_pixmap_t> XcbRedirected::pixmap() {
    if (gone_ || !mapped_) return std::nullopt;
    if (renamePending_) {
        xcb_connection_t* c = x_.get();
        if (pixmap_) xcb_free_pixmap(c, pixmap_);
        // Unchecked: a failure shows as the read's error.
        pixmap_ = xcb_generate_id(c);
        xcb_composite_name_window_pixmap(c, window_, pixmap_);
        renamePending_ = false;
    }
    return pixmap_;
}

void XcbRedirected::staleUnder(const PixelRect& area) {
    for (auto& [key, k] : kept_) {
        const auto& [x, y, w, h, pw, ph] = key;
        if (!isEmpty(intersection(area, {x, y, w, h}))) k.drawnOver = true;
    }
}

bool XcbRedirected::handle(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (damageEvent_ && type == damageEvent_ + XCB_DAMAGE_NOTIFY) {
        const auto& e = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
        const PixelRect area{e.area.x, e.area.y, e.area.width, e.area.height};
        if (e.damage == drawings_) {
            unpainted_.subtract(area);
            givenUp_.subtract(area);
            return true;
        }
        if (e.damage != damage_) return false;
        staleUnder(area);
        acknowledgePending_ = true;
        return true;
    }
    switch (type) {
        case XCB_EXPOSE: {
            const auto& e = reinterpret_cast<const xcb_expose_event_t&>(event);
            std::pair<int, int> at{0, 0};
            if (e.window != window_) {
                const auto it = exposers_.find(e.window);
                if (it == exposers_.end()) return false;
                at = it->second;
            }
            const PixelRect r{e.x + at.first, e.y + at.second, e.width, e.height};
            if (!countingExposures_) return true;
            unpainted_.add(r);
            staleUnder(r);
            return true;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
            if (e.event != window_ || e.window != window_) return false;
            if (e.width != size_.width || e.height != size_.height || e.border_width != border_) {
                size_ = {e.width, e.height};
                border_ = e.border_width;
                renamePending_ = true;
                unpainted_.clip({0, 0, size_.width, size_.height});
                givenUp_.clip({0, 0, size_.width, size_.height});
                forgetKept();
            }
            return true;
        }
        case XCB_MAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_map_notify_event_t&>(event);
            if (e.event != window_ || e.window != window_) return false;
            mapped_ = true;
            renamePending_ = true;
            forgetKept();
            return true;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_unmap_notify_event_t&>(event);
            if (e.event != window_ || e.window != window_) return false;
            mapped_ = false;
            forgetKept();
            return true;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
            if (e.event == window_ && e.window == window_) gone_ = true;
            else if (e.window != window_ && exposers_.erase(e.window)) return true;
            return e.window == window_;
        }
        default: return false;
    }
}

void XcbRedirected::stopCountingExposures() {
    if (!countingExposures_) return;
    countingExposures_ = false;
    if (gone_) return;
    xcb_connection_t* c = x_.get();
    const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY, none = 0;
    xcb_change_window_attributes(c, window_, XCB_CW_EVENT_MASK, &structure);
    for (const auto& [w, at] : exposers_) xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &none);
    exposers_.clear();
}

bool XcbRedirected::acknowledge() {
    // Once all is painted, single drawings no longer matter.
    if (drawings_ && !countingExposures_ && unpainted_.empty() && !gone_) {
        xcb_damage_destroy(x_.get(), drawings_);
        drawings_ = 0;
        acknowledgePending_ = true;  // for the flush
    }
    if (!acknowledgePending_ || gone_) return false;
    acknowledgePending_ = false;
    xcb_damage_subtract(x_.get(), damage_, XCB_NONE, XCB_NONE);
    return true;
}

PixelRegion XcbRedirected::awaited() const {
    PixelRegion waiting = unpainted_;
    waiting.subtract(givenUp_);
    return waiting;
}

const Image* XcbRedirected::kept(const PixelRect& part, PixelSize size) const {
    const auto it = kept_.find({part.x, part.y, part.width, part.height, size.width, size.height});
    return it == kept_.end() || it->second.drawnOver ? nullptr : &it->second.picture;
}

void XcbRedirected::keep(const PixelRect& part, PixelSize size, Image picture) {
    // One box or two a window: a few entries at most, renewed on each read.
    kept_[{part.x, part.y, part.width, part.height, size.width, size.height}] = {std::move(picture), false};
}

}  // namespace kestrove
