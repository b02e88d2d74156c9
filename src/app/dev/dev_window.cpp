#include "app/dev/dev_window.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "app/dev/dev_files.hpp"
#include "app/dev/dev_text.hpp"
#include "app/dev/window_check.hpp"
#include "core/foundation/json_io.hpp"
#include "core/picture/pixel_diff.hpp"

namespace kestrove::DevWindow {

namespace {

std::string whole(double v) { return std::to_string(DevText::whole(v)); }

// Normal windows of other programs, large enough to hold a box.
bool isCandidate(const WindowInfo& w) {
    return w.layer == 0 && w.alpha > 0 && !w.isOwn && w.frame.width >= 120 && w.frame.height >= 90;
}

std::vector<WindowInfo> candidates(const std::vector<WindowInfo>& windows, bool onScreen) {
    std::vector<WindowInfo> out;
    for (const auto& w : windows)
        if (isCandidate(w) && w.isOnScreen == onScreen) out.push_back(w);
    return out;
}

}  // namespace

Rect box(const Rect& frame, const Rect& focus) {
    const double width = std::min(frame.width, 400.0);
    const double height = std::min(frame.height, 300.0);
    const double midX = focus.x + focus.width / 2;
    const double midY = focus.y + focus.height / 2;
    const double x = std::min(std::max(midX - width / 2, frame.minX()), frame.maxX() - width);
    const double y = std::min(std::max(midY - height / 2, frame.minY()), frame.maxY() - height);
    return {std::round(x), std::round(y), std::floor(width), std::floor(height)};
}

std::string flatness(const Image& picture) {
    const auto grid = PixelDiff::grid(picture, 128);
    if (!grid || grid->rgba.size() < 4) return "unreadable";
    int spread = 0;
    for (int channel = 0; channel < 3; ++channel) {
        int low = 255, high = 0;
        for (std::size_t i = channel; i < grid->rgba.size(); i += 4) {
            low = std::min<int>(low, grid->rgba[i]);
            high = std::max<int>(high, grid->rgba[i]);
        }
        spread = std::max(spread, high - low);
    }
    if (spread >= 8) return "has content (brightness spread " + std::to_string(spread) + " of 255)";
    return "ONE FLAT COLOUR (nothing to see)";
}

std::string describe(const WindowInfo& w) {
    return "id " + std::to_string(w.id) + " · " + (w.app.empty() ? "?" : w.app) + " · " + whole(w.frame.x) + ", " +
           whole(w.frame.y) + ", " + whole(w.frame.width) + " × " + whole(w.frame.height);
}

std::string name(const WindowInfo& w) { return w.app.empty() ? "id " + std::to_string(w.id) : w.app; }

int run(const std::filesystem::path& folder, Platform& platform) {
    DevFiles::makeFolder(folder);
    WindowCheck check(folder, platform);
    // Present means refused, whatever its value: a way to try the refusal.
    const bool allowed = check.screenAllowed() && !std::getenv("KESTROVE_NO_SCREEN_PERMISSION");
    check.say("Kestrove --window-check · " + iso8601(std::chrono::system_clock::now()));
    if (allowed) {
        check.say("Screen capture: allowed (an X11 session whose server has Composite)");
    } else {
        check.say("Screen capture is not allowed. Nothing was captured.");
        check.say("Run this in an X11 session whose server has Composite: kestrove --window-check <dir>");
    }

    const auto displays = check.displays();
    const auto onScreen = check.list(WindowListOptions::onScreenOnly);
    const auto front = candidates(onScreen, true);
    std::vector<std::optional<WindowInfo>> coverers;
    check.say("");
    check.say("Windows on screen, front to back (" + std::to_string(front.size()) + "):");
    for (std::size_t i = 0; i < front.size(); ++i) {
        const auto& w = front[i];
        coverers.push_back(WindowTracking::coverer(w.frame, w.id, onScreen, displays));
        check.say("  " + std::to_string(i + 1) + ". " + describe(w) + " · on screen: yes · covered: " +
                  (coverers.back() ? "yes, by " + name(*coverers.back()) : std::string("no")));
    }
    const auto hidden = candidates(check.list(WindowListOptions::all), false);
    check.say("Windows not on screen (another workspace, minimized or hidden) (" + std::to_string(hidden.size()) +
              "):");
    for (const auto& w : hidden) check.say("  -  " + describe(w) + " · on screen: no · covered: not applicable");

    if (!allowed) return check.finish(1);
    if (front.empty()) {
        check.say("");
        check.say("No normal window of another app is on screen: nothing to try.");
        return check.finish(2);
    }

    check.say("");
    const auto coveredAt = std::find_if(coverers.begin(), coverers.end(), [](const auto& c) { return c.has_value(); });
    WindowInfo test;
    Rect box;
    if (coveredAt != coverers.end()) {
        test = front[coveredAt - coverers.begin()];
        const WindowInfo& coverer = **coveredAt;
        box = DevWindow::box(test.frame, test.frame.intersection(coverer.frame).value_or(test.frame));
        check.say("Case: a covered window. " + describe(test) + " lies behind " + name(coverer) + ".");
    } else {
        test = front.size() == 1 ? front[0] : front[1];
        box = DevWindow::box(test.frame, test.frame);
        check.say(std::string("Case: no window is covered by another one, so this is the ") +
                  (front.size() == 1 ? "only window" : "second window from the front") + ": " + describe(test) + ".");
        check.say("The two pictures below should then show the same thing.");
    }
    const auto boxCoverer = WindowTracking::coverer(box, test.id, onScreen, displays);
    check.say("Box: " + whole(box.x) + ", " + whole(box.y) + ", " + whole(box.width) + " × " + whole(box.height) +
              " pt (screen coordinates, top-left origin) · covered: " +
              (boxCoverer ? "yes, by " + name(*boxCoverer) : std::string("no")));
    bool complete = check.compare(box, test, "window.png", "display.png");

    // Geometry check on the front-most window nothing covers.
    const auto uncoveredAt = std::find_if(coverers.begin(), coverers.end(), [](const auto& c) { return !c; });
    if (uncoveredAt != coverers.end()) {
        const WindowInfo& clear = front[uncoveredAt - coverers.begin()];
        if (clear.id != test.id || boxCoverer) {
            check.say("");
            check.say("Geometry check on a window nothing covers (" + describe(clear) +
                      "): the two pictures should be the same.");
            complete = check.compare(DevWindow::box(clear.frame, clear.frame), clear, "uncovered-window.png",
                                     "uncovered-display.png") &&
                       complete;
        }
    }

    check.say("");
    const auto screen = check.screenFor(box);
    if (screen) {
        const auto bound = WindowTracking::pick(box, onScreen, displays, screen->visibleFrame);
        check.say("Drawn now, the first box would " +
                  (bound ? "be bound to " + name(*bound) + " (id " + std::to_string(bound->id) +
                               "), the frontmost window under it."
                         : std::string("stay a screen-area watch.")));
    }
    const auto place = WindowTracking::framePlace(WindowTracking::anchor(box, test), box.size(), onScreen, displays);
    check.say("The frame of a watch bound to " + test.app + " there: " +
              (place.isShown() ? "shown at " + whole(place.box->x) + ", " + whole(place.box->y) + "."
                               : std::string("hidden (covered, or not on screen).")));

    check.say("");
    check.say("The frame of a bound watch (drawn invisibly for this check):");
    check.frameCase(box, test, "covered");
    check.frameCase(DevWindow::box(front[0].frame, front[0].frame), front[0], "in front");

    check.say("");
    check.say("Lost sight, as a bound watch would report it:");
    if (screen) {
        const WindowAnchor nobody{4000000000u, "Nobody", std::nullopt, 10, 10, 800, 600};
        check.say("  a window id that does not exist → " +
                  check.failure(WindowCheck::region(*screen, box, true, nobody)));
        WindowAnchor outside = WindowTracking::anchor(box, test);
        outside.x = test.frame.width - 50;
        check.say("  a box that no longer lies inside " + test.app + " → " +
                  check.failure(WindowCheck::region(*screen, box, true, outside)));
    }

    check.offScreen(hidden);
    return check.finish(complete ? 0 : 3);
}

}  // namespace kestrove::DevWindow
