#include "app/platform/x11/xcb_tray_ground.hpp"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <vector>

#include <xcb/damage.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pixels.hpp"
#include "core/foundation/pixel_region.hpp"

namespace kestrove {

namespace {

using Clock = std::chrono::steady_clock;
// A tray redraws its icons one by one, our own icon draws each frame of the
// dot's animation: the picture is read once the notices have stopped this
// long, or at the latest this long after the first.
constexpr auto settle = std::chrono::milliseconds(150);
constexpr auto longest = std::chrono::milliseconds(1000);

}  // namespace

XcbTrayGround::XcbTrayGround(std::uint32_t iconWindow, Changed changed)
    : icon_(iconWindow),
      changed_(std::move(changed)),
      thread_("tray ground", [this](XcbFollower& thread) { run(thread); }) {}

void XcbTrayGround::run(XcbFollower& thread) {
    XcbConnection x;
    if (!x.ok()) return;
    xcb_connection_t* c = x.get();
    const xcb_window_t icon = icon_;
    const std::uint8_t damageEvent = x.damageEvents();
    // A tiny area: plain GetImage, no shared segment.
    XcbPixelReader reader(x, false);
    x.intern({"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"});
    const xcb_atom_t rootPictures[] = {x.atom("_XROOTPMAP_ID"), x.atom("ESETROOT_PMAP_ID")};
    // A translucent tray shows the desktop's background, which a new
    // background picture changes without the tray drawing anything.
    const std::uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, x.root(), XCB_CW_EVENT_MASK, &rootMask);
    const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, icon, XCB_CW_EVENT_MASK, &structure);

    // The icon's ancestors below the root (nearest first): its tray and
    // whatever holds the tray. Each is followed as it moves or goes; what
    // is drawn in the outermost one, Damage tells.
    std::vector<xcb_window_t> ancestors;
    xcb_window_t damaged = XCB_WINDOW_NONE;
    std::uint32_t damage = 0;
    PixelRect inTop;  // the icon's place in the outermost ancestor
    bool gone = false;
    auto place = [&] {
        std::vector<xcb_window_t> chain;
        for (xcb_window_t at = icon; chain.size() < 32;) {
            auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, at), nullptr));
            if (!tree) {
                gone = at == icon;
                chain.clear();
                break;
            }
            if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) break;
            chain.push_back(at = tree->parent);
        }
        for (xcb_window_t w : chain)
            if (std::find(ancestors.begin(), ancestors.end(), w) == ancestors.end())
                xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &structure);
        ancestors = std::move(chain);
        const xcb_window_t top = ancestors.empty() ? xcb_window_t(XCB_WINDOW_NONE) : ancestors.back();
        if (top != damaged && damageEvent) {
            if (damage) xcb_damage_destroy(c, damage);
            damage = 0;
            if (top != XCB_WINDOW_NONE) {
                damage = xcb_generate_id(c);
                xcb_damage_create(c, damage, top, XCB_DAMAGE_REPORT_LEVEL_DELTA_RECTANGLES);
            }
        }
        damaged = top;
        if (top == XCB_WINDOW_NONE) return;
        const auto at = xcb_translate_coordinates(c, icon, top, 0, 0);
        const auto size = xcb_get_geometry(c, icon);
        auto where = adopt(xcb_translate_coordinates_reply(c, at, nullptr));
        auto geometry = adopt(xcb_get_geometry_reply(c, size, nullptr));
        if (where && geometry) inTop = {where->dst_x, where->dst_y, geometry->width, geometry->height};
    };
    // The icon as the screen shows it now; none when it shows nowhere.
    auto read = [&]() -> SharedImage {
        if (ancestors.empty()) return nullptr;
        const auto attributes = xcb_get_window_attributes(c, icon);
        const auto at = xcb_translate_coordinates(c, icon, x.root(), 0, 0);
        const auto size = xcb_get_geometry(c, icon);
        auto shown = adopt(xcb_get_window_attributes_reply(c, attributes, nullptr));
        auto where = adopt(xcb_translate_coordinates_reply(c, at, nullptr));
        auto geometry = adopt(xcb_get_geometry_reply(c, size, nullptr));
        if (!shown || shown->map_state != XCB_MAP_STATE_VIEWABLE || !where || !geometry) return nullptr;
        const PixelRect area{where->dst_x, where->dst_y, geometry->width, geometry->height};
        // Partly off the screen, its pixels would not line up with the icon's.
        const PixelRect screen{0, 0, x.screen()->width_in_pixels, x.screen()->height_in_pixels};
        if (intersection(area, screen) != area) return nullptr;
        auto picture = reader.read(x.root(), area.x, area.y, area.width, area.height);
        if (!picture) return nullptr;
        return std::make_shared<const Image>(std::move(picture).value());
    };

    std::optional<Clock::time_point> first, last;  // of the notices not read after yet
    auto notice = [&] {
        last = Clock::now();
        if (!first) first = last;
    };
    SharedImage told;
    place();
    notice();
    while (!xcb_connection_has_error(c) && !gone) {
        bool moved = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const int type = event->response_type & 0x7f;
            auto ours = [&](xcb_window_t w) {
                return w == icon || std::find(ancestors.begin(), ancestors.end(), w) != ancestors.end();
            };
            if (type == XCB_CONFIGURE_NOTIFY || type == XCB_REPARENT_NOTIFY || type == XCB_MAP_NOTIFY ||
                type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
                // Each of these starts with the window it tells of.
                const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
                moved |= ours(n->window);
                gone |= type == XCB_DESTROY_NOTIFY && n->window == icon;
            } else if (type == XCB_PROPERTY_NOTIFY) {
                const auto* n = reinterpret_cast<const xcb_property_notify_event_t*>(event);
                if (n->window == x.root() && std::find(std::begin(rootPictures), std::end(rootPictures), n->atom) !=
                                                 std::end(rootPictures))
                    notice();
            } else if (damageEvent && type == damageEvent + XCB_DAMAGE_NOTIFY) {
                const auto* n = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
                const PixelRect drawn{n->area.x, n->area.y, n->area.width, n->area.height};
                if (n->damage == damage && !isEmpty(intersection(inTop, drawn))) notice();
            }
            std::free(event);
        }
        if (moved) {
            place();
            notice();
        }
        int wait = -1;
        if (first) {
            const auto due = std::min(*last + settle, *first + longest);
            const auto now = Clock::now();
            if (now >= due) {
                first.reset();
                // What is drawn from here on is told again.
                if (damage) xcb_damage_subtract(c, damage, XCB_NONE, XCB_NONE);
                SharedImage shown = read();
                const bool same = shown && told ? *shown == *told : shown == told;
                if (!same) {
                    told = shown;
                    thread.tell([this, shown] { changed_(shown); });
                }
                continue;  // the round trips may have queued more notices
            }
            wait = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
        }
        if (!thread.sleep(c, wait)) break;
    }
    if (gone && told) thread.tell([this] { changed_(nullptr); });
    if (damage && !xcb_connection_has_error(c)) xcb_damage_destroy(c, damage);
}

}  // namespace kestrove
