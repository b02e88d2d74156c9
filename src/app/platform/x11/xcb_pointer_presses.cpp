#include "app/platform/x11/xcb_pointer_presses.hpp"

#include <xcb/xinput.h>

#include <atomic>
#include <string>

#include "app/platform/x11/xcb_connection.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

// Buttons 4 to 7 are a wheel's steps: scrolling elsewhere is no click there.
bool wheel(std::uint32_t button) { return button >= 4 && button <= 7; }

// A panel asks on every opening; the reason it cannot be had is told once.
void cannotHear(const std::string& why) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) logLine("cannot hear clicks elsewhere (" + why + ")");
}

}  // namespace

std::unique_ptr<XcbPointerPresses> XcbPointerPresses::listen(std::function<void()> pressed) {
    auto x = std::make_unique<XcbConnection>();
    if (!x->ok()) {
        cannotHear("no X display answers");
        return nullptr;
    }
    xcb_connection_t* c = x->get();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    // Raw events reach every client that asks only from version 2.1 on.
    const auto version = adopt(ext && ext->present
                                   ? xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr)
                                   : nullptr);
    if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 1)) {
        cannotHear("the X server has no X Input 2.1");
        return nullptr;
    }
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    if (auto error = adopt(xcb_request_check(c, xcb_input_xi_select_events_checked(c, x->root(), 1, &mask.head)))) {
        cannotHear("error " + std::to_string(error->error_code));
        return nullptr;
    }
    const std::uint8_t opcode = ext->major_opcode;
    return std::unique_ptr<XcbPointerPresses>(new XcbPointerPresses(std::move(x), opcode, std::move(pressed)));
}

PointerPressesMaker XcbPointerPresses::maker() { return &listen; }

XcbPointerPresses::XcbPointerPresses(std::unique_ptr<XcbConnection> x, std::uint8_t opcode,
                                     std::function<void()> pressed)
    : x_(std::move(x)),
      opcode_(opcode),
      pressed_(std::move(pressed)),
      thread_("pointer presses", [this](XcbFollower& thread) { run(thread); }) {}

XcbPointerPresses::~XcbPointerPresses() = default;

void XcbPointerPresses::run(XcbFollower& thread) {
    xcb_connection_t* c = x_->get();
    while (!xcb_connection_has_error(c)) {
        bool press = false;
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            const auto event = adopt(raw);
            if ((raw->response_type & 0x7f) != XCB_GE_GENERIC) continue;
            const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(raw);
            if (ge->extension != opcode_ || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS) continue;
            press |= !wheel(reinterpret_cast<const xcb_input_raw_button_press_event_t*>(raw)->detail);
        }
        // Presses read in one wake are one click as far as a panel cares.
        if (press) thread.tell(pressed_);
        if (!thread.sleep(c)) break;
    }
}

}  // namespace kestrove
