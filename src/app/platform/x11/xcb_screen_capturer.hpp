#pragma once
// Capture over XCB on a long-lived connection of its own: the display path
// reads the root window (MIT-SHM, GetImage as fallback), the window path the
// window's own picture through XComposite, so a covered window still reads.
// Blocking: made, used and ended on one thread (its own connection; the
// application's QueuedScreenCapturer keeps it on its worker). `screens` must
// answer on that thread (QtScreens does on any).

#include <memory>
#include <set>

#include "app/platform/screen_capturer.hpp"
#include "app/platform/screen_space.hpp"

namespace kestrove {

class XcbConnection;
class XcbPixelReader;

class XcbScreenCapturer final : public BlockingCapturer {
public:
    explicit XcbScreenCapturer(const Screens& screens, bool allowSharedMemory = true);
    ~XcbScreenCapturer() override;

    Captured capture(const WatchRegion& region) override;
    // Undoes our redirection of the window, so the server stops keeping a
    // picture of it for us.
    void release(std::uint32_t window) override;
    std::optional<WindowCaptureFacts> lastWindowCapture() const override { return lastWindowCapture_; }
    // An X11 session whose server has Composite, on a working connection.
    bool allowed() const override;

    bool usesSharedMemory() const;

private:
    Captured captureDisplay(const WatchRegion& region);
    Captured captureWindow(const WatchRegion& region, const WindowAnchor& anchor);
    // Reads the root's size again once RandR has said it changed (a screen
    // added, a resolution changed): the connection's first word on it goes stale.
    void followRoot();

    const Screens& screens_;
    std::unique_ptr<XcbConnection> x_;
    std::unique_ptr<XcbPixelReader> reader_;
    bool composite_ = false;
    std::uint8_t randrEvent_ = 0;  // RandR's first event code; 0 without RandR
    PixelSize root_;
    std::set<std::uint32_t> redirected_;
    std::optional<WindowCaptureFacts> lastWindowCapture_;
};

}  // namespace kestrove
