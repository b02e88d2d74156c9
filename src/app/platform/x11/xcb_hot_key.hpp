#pragma once
// The hot key on X11: passive grabs of the key on the root window, on a
// connection of our own read on the main thread. Every variant with NumLock
// and CapsLock is grabbed too (they are modifiers to the server), and all of
// them again when the keyboard or modifier mapping changes.

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/platform/hot_key.hpp"

class QSocketNotifier;
struct _XCBKeySymbols;

namespace kestrove {

class XcbConnection;

class XcbHotKey final : public HotKey {
public:
    // `keysym` with `modifiers` (X masks; the Mod1 bit stands for Alt,
    // wherever the keymap puts it). None when no display answers or the
    // server refuses a grab; the log line names another program holding
    // the combination, else the X error code.
    static std::unique_ptr<XcbHotKey> grab(xcb_keysym_t keysym, std::uint16_t modifiers, std::function<void()> action);
    // Alt+Shift+B.
    static HotKeyMaker maker();

    ~XcbHotKey() override;

private:
    XcbHotKey(std::unique_ptr<XcbConnection> x, xcb_keysym_t keysym, std::uint16_t modifiers,
              std::function<void()> action);
    // Grabs every keycode of the keysym in every lock variant; the X error
    // code of the first refusal (nothing stays grabbed then), else 0.
    int grabAll();
    void ungrabAll();
    void readEvents();
    void pressed(const xcb_key_press_event_t& event);
    void mappingChanged();

    std::unique_ptr<XcbConnection> x_;
    _XCBKeySymbols* symbols_ = nullptr;
    const xcb_keysym_t keysym_;
    const std::uint16_t modifiers_;  // as asked, Mod1 meaning Alt
    std::uint16_t held_ = 0;         // the modifiers with Alt where the keymap puts it
    std::vector<xcb_keycode_t> keycodes_;
    std::vector<std::uint16_t> variants_;
    std::function<void()> action_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kestrove
