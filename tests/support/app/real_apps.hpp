#pragma once
// What the desktop tests of third-party programs share: starting a program
// as a user would, finding its window, drawing a box around a line of text
// found in its picture, and reading that box both ways.

#include <QProcess>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "app/platform/direct_session.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/direct/queued_direct_reader.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/reading/reading.hpp"

namespace kestrove::desktop {

// The largest ordinary window of process `pid` in a list (a program's main window).
inline std::optional<WindowInfo> largestWindowOf(const std::vector<WindowInfo>& windows, qint64 pid) {
    std::optional<WindowInfo> found;
    for (const WindowInfo& w : windows)
        if (w.ownerPID == pid && w.layer == 0 && w.frame.width > 100 &&
            (!found || w.frame.width * w.frame.height > found->frame.width * found->frame.height))
            found = w;
    return found;
}

// A program started in the test's desktop, killed at the end.
class RealApp {
public:
    // `env`: NAME=value settings added to the test's environment.
    RealApp(const QString& program, const QStringList& args, const QStringList& env = {});
    ~RealApp();
    RealApp(const RealApp&) = delete;
    RealApp& operator=(const RealApp&) = delete;

    qint64 pid() const { return process_.processId(); }
    void write(const std::string& input);
    // The program's largest window on screen once it shows (none after `ms`).
    std::optional<WindowInfo> window(WindowList& windows, int ms = 30000) const;

private:
    QProcess process_;
};

// Screens, windows and both readers of one desktop.
struct Readers {
    QtScreens screens;
    XcbWindowList windows;
    XcbScreenCapturer capturer{screens};
    QueuedDirectReader reader{mainThreadExecutor(), linuxDirectPlatforms(1)};

    // Where a line holding `words` is drawn inside `area` (global points),
    // found by recognising a picture of that area as a user would see it.
    std::optional<Rect> locate(const Rect& area, const std::string& words);
    // A box drawn around `line` with `margin` points to spare (but inside
    // `window`, as a user draws it), bound to the window under it.
    WatchRegion drawAround(const Rect& line, const Rect& window, double margin = 6);
    // A box drawn around the line holding `words` in `window` and a direct
    // session on it (a test fails when the words are not seen or no session opens).
    struct Box {
        WatchRegion region;
        std::shared_ptr<DirectSession> session;
    };
    Box around(const Rect& window, const std::string& words);
    // The box's lines read from its picture.
    std::vector<OCRLine> picture(const WatchRegion& region, bool languageCorrection = false);
    // A direct session on the box (through `through`, or the real reader).
    std::shared_ptr<DirectSession> open(const WatchRegion& region, DirectReader* through = nullptr);
    // One direct read of the box.
    static DirectAnswer readOnce(DirectSession& session);
    // A direct read of the box, waiting up to `ms` for one that has lines
    // (programs fill their accessibility tree a moment after they show).
    DirectAnswer direct(DirectSession& session, int ms = 10000);
    // Reads the session until it gives `expected` or `ms` have passed
    // (programs update their trees a moment after they draw); `last` is what
    // it gave last, a silence by its name.
    static bool readsSoon(DirectSession& session, const std::vector<std::string>& expected,
                          std::vector<std::string>& last, int ms = 5000);
};

// The texts of the lines, in order.
std::vector<std::string> texts(const std::vector<OCRLine>& lines);
// Every line's box lies within the box it was read in.
bool insideTheBox(const std::vector<OCRLine>& lines);

}  // namespace kestrove::desktop
