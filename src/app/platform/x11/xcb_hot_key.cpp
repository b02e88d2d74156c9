#include "app/platform/x11/xcb_hot_key.hpp"

#include <QSocketNotifier>

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <string>

#include "app/platform/main_thread_executor.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

constexpr xcb_keysym_t numLockSym = 0xff7f;
constexpr xcb_keysym_t altSyms[] = {0xffe9, 0xffea};  // Alt_L, Alt_R
constexpr xcb_keysym_t bSym = 0x0062;

std::vector<xcb_keycode_t> keycodesOf(xcb_key_symbols_t* symbols, xcb_keysym_t sym) {
    std::vector<xcb_keycode_t> out;
    if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, sym)) {
        for (xcb_keycode_t* k = codes; *k != XCB_NO_SYMBOL; ++k) out.push_back(*k);
        std::free(codes);
    }
    return out;
}

// The modifier bit (Shift, Lock, Control, Mod1…Mod5) that one of `keys` is
// mapped to; 0 when none is.
std::uint16_t modifierOf(xcb_connection_t* c, const std::vector<xcb_keycode_t>& keys) {
    auto map = adopt(xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!map || keys.empty()) return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
    const int perModifier = map->keycodes_per_modifier;
    for (int m = 0; m < 8; ++m)
        for (int k = 0; k < perModifier; ++k)
            if (const xcb_keycode_t code = codes[m * perModifier + k];
                code && std::find(keys.begin(), keys.end(), code) != keys.end())
                return static_cast<std::uint16_t>(1u << m);
    return 0;
}

// "Alt+Shift+B": what the user presses, for the log.
std::string keyName(xcb_keysym_t keysym, std::uint16_t modifiers) {
    std::string name;
    if (modifiers & XCB_MOD_MASK_CONTROL) name += "Ctrl+";
    if (modifiers & XCB_MOD_MASK_1) name += "Alt+";
    if (modifiers & XCB_MOD_MASK_SHIFT) name += "Shift+";
    if (keysym >= 'a' && keysym <= 'z') return name + static_cast<char>(keysym - 'a' + 'A');
    if (keysym > ' ' && keysym < 0x7f) return name + static_cast<char>(keysym);
    return name + "key " + std::to_string(keysym);
}

// BadAccess is the server's answer when another client holds the grab.
std::string refusal(xcb_keysym_t keysym, std::uint16_t modifiers, int error) {
    if (error == XCB_ACCESS)
        return "could not register hotkey: " + keyName(keysym, modifiers) + " is taken by another program";
    return "could not register hotkey (status " + std::to_string(error) + ")";
}

}  // namespace

std::unique_ptr<XcbHotKey> XcbHotKey::grab(xcb_keysym_t keysym, std::uint16_t modifiers,
                                           std::function<void()> action) {
    auto x = std::make_unique<XcbConnection>();
    if (!x->ok()) {
        logLine("could not register hotkey (no X display answers)");
        return nullptr;
    }
    std::unique_ptr<XcbHotKey> key(new XcbHotKey(std::move(x), keysym, modifiers, std::move(action)));
    if (const int status = key->grabAll(); status != 0) {
        logLine(refusal(keysym, modifiers, status));
        return nullptr;
    }
    return key;
}

HotKeyMaker XcbHotKey::maker() {
    return [](std::function<void()> action) -> std::unique_ptr<HotKey> {
        return grab(bSym, XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT, std::move(action));
    };
}

XcbHotKey::XcbHotKey(std::unique_ptr<XcbConnection> x, xcb_keysym_t keysym, std::uint16_t modifiers,
                     std::function<void()> action)
    : x_(std::move(x)),
      symbols_(xcb_key_symbols_alloc(x_->get())),
      keysym_(keysym),
      modifiers_(modifiers),
      action_(std::move(action)) {
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(x_->get()), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
}

XcbHotKey::~XcbHotKey() {
    notifier_.reset();
    if (!xcb_connection_has_error(x_->get())) {
        ungrabAll();
        xcb_flush(x_->get());
    }
    if (symbols_) xcb_key_symbols_free(symbols_);
}

int XcbHotKey::grabAll() {
    xcb_connection_t* c = x_->get();
    keycodes_ = keycodesOf(symbols_, keysym_);
    if (keycodes_.empty()) return 0;  // no key makes it now; a new keymap may bring one
    std::vector<xcb_keycode_t> alt;
    for (const xcb_keysym_t sym : altSyms)
        for (const xcb_keycode_t code : keycodesOf(symbols_, sym)) alt.push_back(code);
    const std::uint16_t altMask = modifierOf(c, alt);
    held_ = static_cast<std::uint16_t>(modifiers_ & ~XCB_MOD_MASK_1);
    if (modifiers_ & XCB_MOD_MASK_1) held_ |= altMask ? altMask : static_cast<std::uint16_t>(XCB_MOD_MASK_1);
    const std::uint16_t numLock = modifierOf(c, keycodesOf(symbols_, numLockSym));
    variants_ = {0, XCB_MOD_MASK_LOCK};
    if (numLock && numLock != XCB_MOD_MASK_LOCK)
        variants_.insert(variants_.end(), {numLock, static_cast<std::uint16_t>(numLock | XCB_MOD_MASK_LOCK)});

    std::vector<xcb_void_cookie_t> asked;
    for (const xcb_keycode_t code : keycodes_)
        for (const std::uint16_t lock : variants_)
            asked.push_back(xcb_grab_key_checked(c, 1, x_->root(), held_ | lock, code, XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC));
    int refused = 0;
    for (const xcb_void_cookie_t cookie : asked)
        if (auto error = adopt(xcb_request_check(c, cookie)); error && !refused) refused = error->error_code;
    if (refused) ungrabAll();
    return refused;
}

void XcbHotKey::ungrabAll() {
    for (const xcb_keycode_t code : keycodes_)
        for (const std::uint16_t lock : variants_) xcb_ungrab_key(x_->get(), code, x_->root(), held_ | lock);
    keycodes_.clear();
}

void XcbHotKey::readEvents() {
    xcb_connection_t* c = x_->get();
    bool remapped = false;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
        const auto event = adopt(raw);
        const std::uint8_t type = raw->response_type & 0x7f;
        if (type == XCB_KEY_PRESS) {
            pressed(*reinterpret_cast<xcb_key_press_event_t*>(raw));
        } else if (type == XCB_MAPPING_NOTIFY) {
            auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(raw);
            if (mapping->request != XCB_MAPPING_POINTER) {
                xcb_refresh_keyboard_mapping(symbols_, mapping);
                remapped = true;
            }
        }
    }
    if (xcb_connection_has_error(c)) {
        notifier_->setEnabled(false);
        logLine("the hotkey stopped: the connection to the X server broke");
        return;
    }
    // A burst of mapping notices is one change.
    if (remapped) mappingChanged();
}

void XcbHotKey::pressed(const xcb_key_press_event_t& event) {
    // The grabs match exactly; while one is active other keys come here too.
    if (std::find(keycodes_.begin(), keycodes_.end(), event.detail) == keycodes_.end()) return;
    if ((event.state & held_) != held_) return;
    postTo(notifier_.get(), action_);
}

void XcbHotKey::mappingChanged() {
    ungrabAll();
    if (const int status = grabAll(); status != 0) logLine(refusal(keysym_, modifiers_, status));
    xcb_flush(x_->get());
    // The round trips above may have read events the notifier will not see.
    postTo(notifier_.get(), [this] { readEvents(); });
}

}  // namespace kestrove
