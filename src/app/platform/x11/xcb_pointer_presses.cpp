#include "app/platform/x11/xcb_pointer_presses.hpp"

#include <xcb/xinput.h>

#include <atomic>
#include <string>
#include <utility>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_follower.hpp"
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

// Raw presses are asked for once and read all along; only those read
// during a listener's turn reach it (turns are counted on the main thread,
// which alone starts and ends them).
class PressHearing {
public:
    static std::shared_ptr<PressHearing> open();

    PressHearing(std::unique_ptr<XcbConnection> x, std::uint8_t opcode)
        : x_(std::move(x)), opcode_(opcode), thread_("pointer presses", [this](XcbFollower& t) { run(t); }) {}

    unsigned long begin(std::function<void()> pressed) {
        pressed_ = std::move(pressed);
        return ++turn_;
    }
    void end(unsigned long turn) {
        if (turn != turn_) return;
        pressed_ = nullptr;
        ++turn_;
    }

private:
    void run(XcbFollower& thread);

    std::unique_ptr<XcbConnection> x_;
    std::uint8_t opcode_;
    std::function<void()> pressed_;
    std::atomic<unsigned long> turn_{0};
    XcbFollower thread_;  // last: it runs on the members above
};

std::shared_ptr<PressHearing> PressHearing::open() {
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
    return std::make_shared<PressHearing>(std::move(x), ext->major_opcode);
}

void PressHearing::run(XcbFollower& thread) {
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
        if (press)
            thread.tell([this, turn = turn_.load()] {
                // A copy: the call may end the hearing, which drops pressed_.
                if (turn != turn_ || !pressed_) return;
                const std::function<void()> pressed = pressed_;
                pressed();
            });
        if (!thread.sleep(c)) break;
    }
}

std::unique_ptr<XcbPointerPresses> XcbPointerPresses::listen(std::function<void()> pressed) {
    auto hearing = PressHearing::open();
    if (!hearing) return nullptr;
    return std::unique_ptr<XcbPointerPresses>(new XcbPointerPresses(std::move(hearing), std::move(pressed)));
}

PointerPressesMaker XcbPointerPresses::maker() {
    struct Kept {
        std::shared_ptr<PressHearing> hearing;
        bool tried = false;
    };
    auto kept = std::make_shared<Kept>();
    return [kept](std::function<void()> pressed) -> std::unique_ptr<PointerPresses> {
        if (!std::exchange(kept->tried, true)) kept->hearing = PressHearing::open();
        if (!kept->hearing) return nullptr;
        return std::unique_ptr<XcbPointerPresses>(new XcbPointerPresses(kept->hearing, std::move(pressed)));
    };
}

XcbPointerPresses::XcbPointerPresses(std::shared_ptr<PressHearing> hearing, std::function<void()> pressed)
    : hearing_(std::move(hearing)), turn_(hearing_->begin(std::move(pressed))) {}

XcbPointerPresses::~XcbPointerPresses() { hearing_->end(turn_); }

}  // namespace kestrove
