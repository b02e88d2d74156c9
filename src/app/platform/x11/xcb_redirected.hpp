#pragma once
// One window we keep redirected through XComposite (automatic: the server
// still draws it where it was), so its whole picture is kept even while
// something covers it. Damage tells what was drawn since a picture of it was
// kept. The redirection itself exposes what was covered (in the window and
// in its descendants), which holds nothing until the program draws there:
// those exposures are the parts not painted yet. Later exposures (a resize)
// may come after the program already drew, so only the redirection's count.
// One thread, the capturer's.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>

#include <xcb/xcb.h>

#include "core/foundation/pixel_region.hpp"
#include "core/foundation/result.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

class XcbConnection;

class XcbRedirected {
public:
    // Follows `window` (its notices and exposures, damage), then redirects
    // it. The reason instead when the server refuses. The exposures the
    // redirection causes are waiting among the connection's events.
    static Result<std::unique_ptr<XcbRedirected>, std::string> start(XcbConnection& x, xcb_window_t window,
                                                                     std::uint8_t damageEvent);
    // Lets it go: not redirected, not followed any more.
    ~XcbRedirected();
    XcbRedirected(const XcbRedirected&) = delete;
    XcbRedirected& operator=(const XcbRedirected&) = delete;

    xcb_window_t window() const { return window_; }
    // A notice, exposure or damage of this window: true when it was one.
    bool handle(const xcb_generic_event_t& event);
    // What the damage told is taken in: the server may tell again. Whether
    // that was said (the caller sends it).
    bool acknowledge();
    // The redirection's exposures are all in: later ones are not counted.
    void stopCountingExposures();

    bool gone() const { return gone_; }
    bool mapped() const { return mapped_; }
    PixelSize size() const { return size_; }  // inside the border
    int border() const { return border_; }
    // The window's picture, border included; named again after a map or a
    // resize. None while it is not mapped.
    std::optional<xcb_pixmap_t> pixmap();
    // Not painted yet, in window pixels (inside the border).
    const PixelRegion& unpainted() const { return unpainted_; }
    // What is not painted yet and still worth waiting for: a part that
    // stayed unpainted through one whole wait (a window manager's frame
    // behind its client's edge, which nobody ever draws) is not waited for
    // again, though it stays unpainted until something is drawn there.
    PixelRegion awaited() const;
    void stopAwaiting() { givenUp_ = unpainted_; }

    // A picture of part of the window kept from the last read, while nothing
    // was drawn over that part since. Keyed by the part and the picture's size.
    const Image* kept(const PixelRect& part, PixelSize size) const;
    void keep(const PixelRect& part, PixelSize size, Image picture);

private:
    XcbRedirected(XcbConnection& x, xcb_window_t window, std::uint8_t damageEvent);
    // Kept pictures of parts that meet `area` are not to be used again.
    void staleUnder(const PixelRect& area);
    void forgetKept() { kept_.clear(); }

    XcbConnection& x_;
    xcb_window_t window_;
    std::uint8_t damageEvent_;
    std::uint32_t damage_ = 0;    // what was drawn since it was last acknowledged
    std::uint32_t drawings_ = 0;  // each drawing, while a part is not painted yet
    bool redirected_ = false;
    xcb_pixmap_t pixmap_ = 0;
    bool renamePending_ = true;
    bool gone_ = false;
    bool mapped_ = false;
    bool acknowledgePending_ = false;
    bool countingExposures_ = true;
    PixelSize size_;
    int border_ = 0;
    PixelRegion unpainted_;
    PixelRegion givenUp_;  // part of unpainted_ no longer waited for
    // Descendants whose exposures count, and where they lie in the window.
    std::unordered_map<xcb_window_t, std::pair<int, int>> exposers_;
    struct Kept {
        Image picture;
        bool drawnOver = false;
    };
    std::map<std::tuple<int, int, int, int, int, int>, Kept> kept_;
};

}  // namespace kestrove
