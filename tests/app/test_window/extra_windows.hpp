#pragma once
// Plain X windows of the kinds the window list tells apart, made on a
// connection of their own: above, dock, desktop, popup (override-redirect),
// faded (opacity 0.5); and of the kinds our pictures must see through:
// alpha (half-transparent pixels of its own), shaped (an override-redirect
// ring whose middle shows what lies below).

#include <cstdint>
#include <string>

#include <xcb/xcb.h>

class ExtraWindows {
public:
    ExtraWindows();
    ~ExtraWindows();
    // The new window's id, or 0 for an unknown kind.
    std::uint32_t make(const std::string& kind, int x, int y, int w, int h);

private:
    xcb_atom_t atom(const char* name);
    xcb_visualid_t alphaVisual();  // 32-bit TrueColor; 0 when the server has none
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};
