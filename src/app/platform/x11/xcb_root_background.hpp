#pragma once
// What the bare root shows where no window lies: the desktop's picture when
// one is published on the root (_XROOTPMAP_ID), else the root's own
// background when it is one colour. X tells no window's background, so the
// colour is asked of the server's own painting: a small window of ours, off
// every screen and redirected, whose background is its parent's, is cleared
// over a two-coloured pattern; the server paints it as it paints the root. A
// root whose background is a pattern, or none, leaves the pattern mixed and
// tells nothing. Under a compositing manager the bare root shows what the
// manager paints, so only a published picture holds there.
// One thread, the capturer's, on its connection.

#include <array>
#include <cstdint>
#include <optional>

#include <xcb/xcb.h>

#include "core/foundation/pixel_region.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

class XcbConnection;
class XcbPixelReader;

class XcbRootBackground {
public:
    XcbRootBackground(XcbConnection& x, XcbPixelReader& reader);
    ~XcbRootBackground();
    XcbRootBackground(const XcbRootBackground&) = delete;
    XcbRootBackground& operator=(const XcbRootBackground&) = delete;

    // Paints `part` (root pixels) of `picture`, which shows `area`, with the
    // root's background; `published` is _XROOTPMAP_ID's pixmap when set.
    // What it could not paint honestly is left as it was and returned.
    PixelRegion paint(Image& picture, const PixelRect& area, const PixelRegion& part,
                      std::optional<xcb_pixmap_t> published, bool compositing);

    // The root's background as one colour (RGBA), when it is one.
    std::optional<std::array<std::uint8_t, 4>> colour();

private:
    bool paintPublished(Image& picture, const PixelRect& area, const PixelRegion& part, xcb_pixmap_t pixmap);

    XcbConnection& x_;
    XcbPixelReader& reader_;
    xcb_window_t probe_ = XCB_WINDOW_NONE;
    xcb_gcontext_t pen_ = 0;
    bool probeFailed_ = false;
};

}  // namespace kestrove
