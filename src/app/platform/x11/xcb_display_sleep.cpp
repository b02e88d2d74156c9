#include "app/platform/x11/xcb_display_sleep.hpp"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <xcb/dpms.h>
#include <xcb/screensaver.h>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

namespace {

constexpr int dpmsPollMs = 2000;

// Monitors in standby, suspend or off count as asleep; DPMS switched off
// leaves them on.
bool dpmsAsleep(XcbConnection& c) {
    auto info = adopt(xcb_dpms_info_reply(c.get(), xcb_dpms_info(c.get()), nullptr));
    return info && info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON;
}

bool saverOn(std::uint8_t state) {
    return state == XCB_SCREENSAVER_STATE_ON || state == XCB_SCREENSAVER_STATE_CYCLE;
}

}  // namespace

XcbDisplaySleep::XcbDisplaySleep(Changed changed)
    : changed_(std::move(changed)), thread_("display sleep", [this](XcbFollower& thread) { run(thread); }) {}

void XcbDisplaySleep::run(XcbFollower& thread) {
    XcbConnection c;
    if (!c.ok()) return;
    const bool hasSaver = c.hasExtension(&xcb_screensaver_id);
    const bool hasDpms = c.hasExtension(&xcb_dpms_id) && [&] {
        auto capable = adopt(xcb_dpms_capable_reply(c.get(), xcb_dpms_capable(c.get()), nullptr));
        return capable && capable->capable;
    }();
    if (!hasSaver && !hasDpms) return;

    bool saver = false;
    std::uint8_t saverEvent = 0;
    if (hasSaver) {
        saverEvent = xcb_get_extension_data(c.get(), &xcb_screensaver_id)->first_event + XCB_SCREENSAVER_NOTIFY;
        xcb_screensaver_select_input(c.get(), c.root(), XCB_SCREENSAVER_EVENT_NOTIFY_MASK);
        auto info = adopt(xcb_screensaver_query_info_reply(c.get(), xcb_screensaver_query_info(c.get(), c.root()),
                                                           nullptr));
        saver = info && saverOn(info->state);
    }
    bool dpms = hasDpms && dpmsAsleep(c);
    bool asleep = saver || dpms;
    following_ = true;

    using Clock = std::chrono::steady_clock;
    auto nextPoll = Clock::now() + std::chrono::milliseconds(dpmsPollMs);
    while (!xcb_connection_has_error(c.get())) {
        // Replies read since the last round may have queued events too.
        while (xcb_generic_event_t* event = xcb_poll_for_event(c.get())) {
            if ((event->response_type & 0x7f) == saverEvent)
                saver = saverOn(reinterpret_cast<xcb_screensaver_notify_event_t*>(event)->state);
            std::free(event);
        }
        if ((saver || dpms) != asleep) {
            asleep = saver || dpms;
            thread.tell([this, asleep] { changed_(asleep); });
        }
        int timeout = -1;
        if (hasDpms) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextPoll - Clock::now());
            timeout = static_cast<int>(std::max<long>(0, left.count()));
        }
        if (!thread.sleep(c.get(), timeout)) break;
        if (hasDpms && Clock::now() >= nextPoll) {
            dpms = dpmsAsleep(c);
            nextPoll = Clock::now() + std::chrono::milliseconds(dpmsPollMs);
        }
    }
}

}  // namespace kestrove
