#pragma once
// Capture over XCB on a long-lived connection of its own. The display path
// reads the root window (MIT-SHM, GetImage as fallback), and where one of our
// own windows lies over the box it puts back what lies under it: the opaque
// windows below, from their XComposite pictures, and the root's background
// (see UnderOwn). What cannot be put back honestly (something translucent,
// anything a compositing manager paints, a part a window has not painted yet)
// comes from the last picture of the same area; a part never seen is filled
// flat from its neighbours, and a box of which nothing can be put back is
// not painted. Under a compositing manager the shadow it draws around our
// windows is ours too: a margin around each of them (and a frame's inside)
// is put back the same way. So are the bubbles the notification service
// shows for us, while it does (OwnWindows::helpers). The window path reads
// the window's own picture through XComposite, so a covered window still
// reads; Damage says when it was drawn, so an untouched window is not read
// again. A part of a window not painted yet is waited for a moment, then
// refused.
// Blocking: made, used and ended on one thread (its own connection; the
// application's QueuedScreenCapturer keeps it on its worker). `screens` and
// `own` must answer on that thread (QtScreens and OwnWindows do on any).

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/platform/own_windows.hpp"
#include "app/platform/under_own.hpp"
#include "core/picture/kept_displays.hpp"
#include "app/platform/screen_capturer.hpp"
#include "app/platform/screen_space.hpp"
#include "core/foundation/pixel_region.hpp"
#include "core/foundation/result.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

class XcbConnection;
class XcbPixelReader;
class XcbRedirected;
class XcbRootBackground;
class XcbStack;

class XcbScreenCapturer final : public BlockingCapturer {
public:
    // Without `own`, no window is ours: pictures show the screen as it is.
    explicit XcbScreenCapturer(const Screens& screens, std::shared_ptr<const OwnWindows> own = nullptr,
                               bool allowSharedMemory = true);
    ~XcbScreenCapturer() override;

    Captured capture(const WatchRegion& region) override;
    Captured captureScreen(const WatchRegion& region) override;
    // No watch reads this window any more: the server may stop keeping its
    // picture for us.
    void release(std::uint32_t window) override;
    std::optional<WindowCaptureFacts> lastWindowCapture() const override { return lastWindowCapture_; }
    // An X11 session whose server has Composite, on a working connection.
    bool allowed() const override;

    bool usesSharedMemory() const;
    // How many times pixels were read from the server: an untouched box is
    // answered without reading.
    std::uint64_t serverReads() const;
    // How long a capture waits for a part that is not painted yet.
    static constexpr std::chrono::milliseconds paintWait{600};
    // Around each of our windows, under a compositing manager: where its
    // shadow may fall (xcompmgr -c and picom draw 15 pixels up and left,
    // 21 and 10 down and right, by default).
    static constexpr int shadowMargin = 32;

private:
    struct Kept {
        std::unique_ptr<XcbRedirected> window;
        bool bound = false;       // a watch reads it through the window path
        double pointScale = 1;    // device pixels per point where it is
        std::optional<WindowInfo> seen;  // as described when first read (whose it is)
        std::chrono::steady_clock::time_point lastUnder;  // last read for what lies under our windows
    };

    // What lies under our windows in a display area: the stack's layers
    // there, and what the bare root shows.
    struct Beneath {
        std::vector<StackedLayer> layers;  // bottom to top
        std::optional<std::uint32_t> published;  // the desktop's picture (_XROOTPMAP_ID)
    };

    Captured captureDisplay(const WatchRegion& region, bool leaveOutOwn);
    // Whether a compositing manager paints the screen: followed through
    // XFixes where the server has it, else asked.
    bool compositing();
    Captured captureWindow(const WatchRegion& region, const WindowAnchor& anchor);
    // Where one of our top-level windows paints inside `area`, and where it
    // only shades what lies below (root pixels); or, for another program's
    // top-level window, where ours lies inside it (the tray icon).
    struct OwnPaint {
        PixelRegion paints, shades, embedded;
        bool ours = false;     // the top-level window is ours
        bool passing = true;   // only ours that show for a moment (OwnWindow::passing)
    };
    // Each shown top-level window that is ours, or holds ours, or shows
    // something of ours for another program, and reaches into `area`.
    std::map<std::uint32_t, OwnPaint> ownPaint(const PixelRect& area);
    // The top-level windows near `area` that a program showing something of
    // ours for now (OwnWindows::helpers) floats over everything.
    std::vector<std::uint32_t> lentWindows(const PixelRect& area);
    // All of it at once, and what of it is the tray icon's alone.
    struct OwnOver {
        PixelRegion all, embedded;
    };
    OwnOver ownOver(const PixelRect& area);
    // Where our windows inside another program's lie, in root pixels; none
    // when it does not show.
    std::optional<PixelRect> embeddedPlace(std::uint32_t id);
    // The windows in `area`, ours painting `paints`, and the root's background.
    Beneath beneath(const PixelRect& area, const std::map<std::uint32_t, OwnPaint>& paints);
    // A window kept redirected inside the top-level window `top` holds its own
    // picture, while the picture `top` got when it was redirected holds the
    // screen's pixels where that window lies (ours included) until it draws
    // again: in `part`, that window's own picture is put back over `top`'s.
    // What the server refused to read (the top-level's pixels there may be ours).
    PixelRegion readKeptInside(Image& picture, const PixelRect& area, std::uint32_t top, const PixelRegion& part);
    // Puts back, into `picture` (of `area`), what lies under our windows;
    // unpainted only when nothing of the area was ever seen, or nothing of
    // it can be rebuilt (covered for now when only ours that go soon hide it).
    std::optional<CaptureError> underOwn(Image& picture, const PixelRect& area);
    // False when the server refused (the drawable changed under us).
    bool readInto(Image& picture, const PixelRect& area, std::uint32_t drawable, const PixelRect& part, int dx,
                  int dy);

    // Takes in what the server told: the stack, exposures, damage, screens.
    void pump();
    // Pumps until `done` holds or the wait is over; whether it holds.
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds most);
    // The window kept redirected, or why the server refused.
    Result<Kept*, std::string> keep(std::uint32_t window);
    void letGoOfUnused();
    // The picture of the display area read last: what its hidden parts are
    // taken from next time, and, when `plain` (nothing of ours over it), the
    // answer to later reads while nothing is drawn there, from the second
    // on (the root's Damage is asked for with the first).
    void keepDisplay(const PixelRect& area, const Image& picture, bool plain);

    const Screens& screens_;
    std::shared_ptr<const OwnWindows> own_;
    std::unique_ptr<XcbConnection> x_;
    std::unique_ptr<XcbPixelReader> reader_;
    std::unique_ptr<XcbStack> stack_;
    std::unique_ptr<XcbRootBackground> rootBackground_;
    bool composite_ = false;
    bool shape_ = false;  // the server tells windows' shapes
    std::uint8_t randrEvent_ = 0;   // RandR's first event code; 0 without RandR
    std::uint8_t damageEvent_ = 0;  // Damage's; 0 without Damage
    std::uint8_t fixesEvent_ = 0;   // XFixes'; 0 without XFixes
    bool compositing_ = false;      // as XFixes last told
    PixelSize root_;
    std::map<std::uint32_t, Kept> kept_;
    std::uint32_t rootDamage_ = 0;  // made with the first display picture kept
    KeptDisplays keptDisplays_;  // plain pictures of display areas nothing was drawn over since
    std::optional<WindowCaptureFacts> lastWindowCapture_;
};

}  // namespace kestrove
