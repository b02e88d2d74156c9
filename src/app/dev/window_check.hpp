#pragma once
// One run of the window capture check: its services, what it read of the
// desktop, and the report it collects. Main thread only; each capture or
// list is awaited (the event loop keeps running) before the next starts.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dev/dev_files.hpp"
#include "app/platform/platform.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

class WindowCheck {
public:
    // Reads through `platform`'s window list and capturer; it outlives the check.
    WindowCheck(std::filesystem::path folder, Platform& platform);

    void say(std::string line) { report_.push_back(std::move(line)); }
    // Writes the report; answers `code`, or DevFiles::cannotWrite when the
    // report or a picture could not be written.
    int finish(int code);

    // Where the report and pictures go; prepared before the check starts.
    DevFiles::OutputFolder& output() { return output_; }
    const std::vector<ScreenInfo>& screens() const { return screens_; }
    std::vector<Rect> displays() const { return ScreenSpace::displays(screens_); }
    std::optional<ScreenInfo> screenFor(const Rect& box) const { return ScreenSpace::screenFor(box, screens_); }

    // The window list; empty when it cannot be read.
    std::vector<WindowInfo> list(WindowListOptions options);
    bool screenAllowed();

    struct Timed {
        Captured shot;
        long long ms = 0;
    };
    Timed capture(const WatchRegion& region);
    std::optional<WindowCaptureFacts> lastWindowCapture() const { return capturer_.lastWindowCapture(); }

    // The box through both paths: pictures written under the two names, lines
    // said; true when both paths gave a picture.
    bool compare(const Rect& box, const WindowInfo& target, const std::string& windowName,
                 const std::string& displayName);
    // Where the frame of a watch bound to the box goes, drawn invisibly.
    void frameCase(const Rect& box, const WindowInfo& window, const std::string& label);
    // A capture as a bound watch would report its failure.
    std::string failure(const WatchRegion& region);
    // Windows that are not on screen through the window path.
    void offScreen(const std::vector<WindowInfo>& hidden);

    // A region on `screen` for a box there, bound to `window` when given.
    static WatchRegion region(const ScreenInfo& screen, const Rect& box, bool atOrigin,
                              const std::optional<WindowAnchor>& window = std::nullopt);

private:
    void writePicture(const std::string& name, const Image& picture);

    DevFiles::OutputFolder output_;
    std::vector<std::string> report_;
    const Screens& screenSource_;
    std::vector<ScreenInfo> screens_;
    AsyncWindowList& windows_;
    ScreenCapturer& capturer_;
};

}  // namespace kestrove
