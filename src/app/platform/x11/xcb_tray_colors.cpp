#include "app/platform/x11/xcb_tray_colors.hpp"

#include <cstdlib>
#include <string>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

std::optional<Rgb> trayTextOf(const std::vector<std::uint32_t>& words) {
    if (words.size() < 3) return std::nullopt;
    // 16 bits a channel; the high byte is the 8-bit value.
    auto channel = [](std::uint32_t v) { return static_cast<int>((v & 0xffff) >> 8); };
    return Rgb{channel(words[0]), channel(words[1]), channel(words[2])};
}

XcbTrayColors::XcbTrayColors(Changed changed)
    : changed_(std::move(changed)), thread_("tray colours", [this](XcbFollower& thread) { run(thread); }) {}

void XcbTrayColors::run(XcbFollower& thread) {
    XcbConnection c;
    if (!c.ok()) return;
    c.intern({"MANAGER", "_NET_SYSTEM_TRAY_COLORS"});
    const xcb_atom_t selection = c.atom("_NET_SYSTEM_TRAY_S" + std::to_string(c.screenNumber()));
    const xcb_atom_t manager = c.atom("MANAGER");
    const xcb_atom_t colors = c.atom("_NET_SYSTEM_TRAY_COLORS");
    // A tray that starts tells every client by a MANAGER message to the root.
    const std::uint32_t rootMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c.get(), c.root(), XCB_CW_EVENT_MASK, &rootMask);

    xcb_window_t owner = XCB_WINDOW_NONE;
    auto readColors = [&]() -> std::optional<Rgb> {
        if (owner == XCB_WINDOW_NONE) return std::nullopt;
        const auto property = readProperty(c, requestProperty(c, owner, colors, 12));
        if (!property || property->format != 32) return std::nullopt;
        return trayTextOf(property->words());
    };
    // The tray's window is followed before its colours are read, so a change
    // in between is heard; one already gone refuses to be followed.
    auto findTray = [&]() -> std::optional<Rgb> {
        auto reply = adopt(xcb_get_selection_owner_reply(c.get(), xcb_get_selection_owner(c.get(), selection), nullptr));
        owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        if (owner == XCB_WINDOW_NONE) return std::nullopt;
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (auto* error = xcb_request_check(
                c.get(), xcb_change_window_attributes_checked(c.get(), owner, XCB_CW_EVENT_MASK, &mask))) {
            std::free(error);
            owner = XCB_WINDOW_NONE;
            return std::nullopt;
        }
        return readColors();
    };

    auto report = [&](std::optional<Rgb> text) { thread.tell([this, text] { changed_(text); }); };
    std::optional<Rgb> text = findTray();
    if (text) report(text);
    while (!xcb_connection_has_error(c.get())) {
        bool again = false;
        bool reread = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c.get())) {
            switch (event->response_type & 0x7f) {
                case XCB_CLIENT_MESSAGE: {
                    const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                    again |= message->type == manager && message->format == 32 && message->data.data32[1] == selection;
                    break;
                }
                case XCB_PROPERTY_NOTIFY: {
                    const auto* notice = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    reread |= notice->window == owner && notice->atom == colors;
                    break;
                }
                case XCB_DESTROY_NOTIFY:
                    again |= reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == owner;
                    break;
                default:
                    break;
            }
            std::free(event);
        }
        if (again || reread) {
            const std::optional<Rgb> now = again ? findTray() : readColors();
            if (now != text) report(text = now);
            continue;  // the round trips may have queued more notices
        }
        if (!thread.sleep(c.get())) break;
    }
}

}  // namespace kestrove
