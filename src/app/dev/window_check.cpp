#include "app/dev/window_check.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "app/dev/dev_text.hpp"
#include "app/dev/dev_wait.hpp"
#include "app/dev/dev_window.hpp"
#include "core/copy/copy_status.hpp"
#include "core/picture/pixel_diff.hpp"

namespace kestrove {

namespace {

std::string percent(double ratio) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", ratio * 100);
    return buffer;
}

}  // namespace

WindowCheck::WindowCheck(std::filesystem::path folder, Platform& platform)
    : output_(std::move(folder)),
      screenSource_(*platform.screens),
      screens_(screenSource_.screens()),
      windows_(*platform.windows),
      capturer_(*platform.capturer) {}

int WindowCheck::finish(int code) {
    output_.writeReport(report_);
    return output_.exitCode(code);
}

std::vector<WindowInfo> WindowCheck::list(WindowListOptions options) {
    auto listed = DevWait::await<ListedWindows>(
        [&](auto done) { return windows_.list("", options, std::move(done)); });
    if (!listed || !*listed) return {};
    return listed->value();
}

bool WindowCheck::screenAllowed() {
    return DevWait::await<bool>([&](auto done) { return capturer_.refreshAllowed(std::move(done)); }).value_or(false);
}

WindowCheck::Timed WindowCheck::capture(const WatchRegion& region) {
    const auto start = std::chrono::steady_clock::now();
    // A window stays redirected for the whole check: read as a one-off, it
    // would be let go after each read, and the next read of a covered window
    // would find its hidden part not painted.
    const std::string owner = region.window ? "window check" : "";
    auto captured =
        DevWait::await<CapturedBox>([&](auto done) { return capturer_.capture(owner, region, std::move(done)); });
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (!captured) return {CaptureError::failed("no answer from the capturer"), ms};
    return {pictureOf(std::move(*captured)), ms};
}

WatchRegion WindowCheck::region(const ScreenInfo& screen, const Rect& box, bool atOrigin,
                                const std::optional<WindowAnchor>& window) {
    WatchRegion r;
    r.displayID = screen.displayID;
    r.x = atOrigin ? 0 : box.x - screen.frame.x;
    r.y = atOrigin ? 0 : box.y - screen.frame.y;
    r.w = box.width;
    r.h = box.height;
    r.scale = screen.scale;
    r.window = window;
    return r;
}

void WindowCheck::writePicture(const std::string& name, const Image& picture) {
    if (!output_.writePicture(name, picture)) say("  NOT WRITTEN: " + *output_.failure());
}

bool WindowCheck::compare(const Rect& box, const WindowInfo& target, const std::string& windowName,
                          const std::string& displayName) {
    const auto screen = screenFor(box);
    if (!screen) {
        say("No display under the box.");
        return false;
    }
    const WatchRegion onDisplay = region(*screen, box, false);
    const WatchRegion onWindow = region(*screen, box, false, WindowTracking::anchor(box, target));
    const PixelSize expected = WindowTracking::pictureSize(onDisplay).value_or(PixelSize{});

    const Timed window = capture(onWindow);
    const auto facts = lastWindowCapture();
    const Timed display = capture(onDisplay);

    if (window.shot) {
        writePicture(windowName, window.shot.value());
        say("  window path  → " + windowName + ": " + std::to_string(window.shot.value().width) + " × " +
            std::to_string(window.shot.value().height) + " px in " + std::to_string(window.ms) + " ms · " +
            DevWindow::flatness(window.shot.value()));
        if (facts) {
            const long long w = std::llround(facts->windowPoints.w * facts->scale);
            const long long h = std::llround(facts->windowPoints.h * facts->scale);
            const bool asExpected = facts->imageWidth == w && facts->imageHeight == h;
            say("                 the whole window came as " + std::to_string(facts->imageWidth) + " × " +
                std::to_string(facts->imageHeight) + " px for " + DevText::real(facts->windowPoints.w) + " × " +
                DevText::real(facts->windowPoints.h) + " pt at scale " + DevText::real(facts->scale) +
                (asExpected ? " (as expected)"
                            : " (EXPECTED " + std::to_string(w) + " × " + std::to_string(h) +
                                  ": the crop may be off)"));
            say("                 cropped at " + std::to_string(facts->crop.x) + ", " + std::to_string(facts->crop.y) +
                ", " + std::to_string(facts->crop.width) + " × " + std::to_string(facts->crop.height) + " px");
        }
    } else {
        say("  window path  → FAILED after " + std::to_string(window.ms) + " ms: " +
            window.shot.error().description());
    }
    if (display.shot) {
        writePicture(displayName, display.shot.value());
        say("  display path → " + displayName + ": " + std::to_string(display.shot.value().width) + " × " +
            std::to_string(display.shot.value().height) + " px in " + std::to_string(display.ms) + " ms");
    } else {
        say("  display path → FAILED after " + std::to_string(display.ms) + " ms: " +
            display.shot.error().description());
    }
    say("  a watch on this box expects " + std::to_string(expected.width) + " × " + std::to_string(expected.height) +
        " px");
    if (!window.shot || !display.shot) return false;

    if (window.shot.value().width != display.shot.value().width || window.shot.value().height != display.shot.value().height)
        say("  SIZES DIFFER between the two paths.");
    const auto a = PixelDiff::grid(window.shot.value(), 128);
    const auto b = PixelDiff::grid(display.shot.value(), 128);
    if (a && b) {
        const auto result = PixelDiff::compare(*a, *b, 28, 0.004, 2);
        say(std::string("  the two pictures differ: ") + (result.changed ? "yes" : "no") + " (" +
            percent(result.ratio) + " % of the compared cells, by the watch's own change test)");
    }
    return true;
}

std::string WindowCheck::failure(const WatchRegion& region) {
    const Timed t = capture(region);
    if (t.shot) return "NO ERROR (a picture came back)";
    const CaptureError& reason = t.shot.error();
    // Appended, not "\"" + string: GCC 12 sees a false overlap in the latter (-Wrestrict).
    std::string text = "\"";
    text += reason.description();
    text += '"';
    std::optional<WindowLoss> loss;
    if (reason.kind == CaptureError::Kind::windowGone) loss = WindowLoss::closed;
    if (reason.kind == CaptureError::Kind::boxOutsideWindow) loss = WindowLoss::outside;
    if (loss) text += " · notification: \"" + Copy::lostSightBody("14:33", "the export is done", loss) + "\"";
    return text;
}

}  // namespace kestrove
