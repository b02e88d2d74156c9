#pragma once
// A connection of our own to the X server, with interned atoms and property
// readers. One thread at a time. Only the XCB implementations include this.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <xcb/xcb.h>

namespace kestrove {

// A reply owned by a unique_ptr that frees it.
template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> adopt(T* reply) {
    return XcbReply<T>(reply, &std::free);
}

class XcbConnection {
public:
    // Connects to $DISPLAY; ok() says whether that worked.
    XcbConnection();
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    bool ok() const { return conn_ != nullptr; }
    xcb_connection_t* get() const { return conn_; }
    xcb_window_t root() const { return root_; }
    const xcb_screen_t* screen() const { return screen_; }

    // Interned once per connection; the first call for a set of names costs
    // one round trip for all of them.
    xcb_atom_t atom(std::string_view name);
    void intern(std::initializer_list<std::string_view> names);

    bool hasExtension(xcb_extension_t* ext) const;

    // Which of the server's screens is ours (the n of _NET_WM_CM_S<n> and
    // _NET_SYSTEM_TRAY_S<n>).
    int screenNumber() const { return screenNumber_; }
    // The selection a compositing manager owns on our screen (_NET_WM_CM_S<n>).
    xcb_atom_t compositorSelection();
    // Whether a compositing manager owns that selection now: a round trip.
    bool compositorRunning();
    // Asks XFixes to tell this connection each change of that selection's
    // owner; returns XFixes' first event number, or 0 when the server has
    // no XFixes 5 (then only compositorRunning() tells).
    std::uint8_t followCompositor();

    // X-Resource 1.2 or later: the server tells each client's pid. Asked once.
    bool tellsClientPids();
    // The first event number of Damage 1.1, or 0 when the server has no
    // Damage. Asked once.
    std::uint8_t damageEvents();

private:
    xcb_connection_t* conn_ = nullptr;
    int screenNumber_ = 0;
    xcb_window_t root_ = 0;
    const xcb_screen_t* screen_ = nullptr;
    std::map<std::string, xcb_atom_t, std::less<>> atoms_;
    std::optional<bool> clientPids_;
    std::optional<std::uint8_t> damageEvents_;
};

// Property requests sent now, read later, so many windows share a round trip.
xcb_get_property_cookie_t requestProperty(XcbConnection& c, xcb_window_t w, xcb_atom_t property,
                                          std::uint32_t maxWords = 64);

struct Property {
    xcb_atom_t type = 0;
    int format = 0;
    std::vector<std::uint8_t> bytes;

    std::optional<std::uint32_t> cardinal() const;
    std::vector<std::uint32_t> words() const;  // format-32 values (atoms, windows, cardinals)
    std::string text() const;                   // the bytes as they are
};

// None when the window is gone or the property is not set.
std::optional<Property> readProperty(XcbConnection& c, xcb_get_property_cookie_t cookie);

}  // namespace kestrove
