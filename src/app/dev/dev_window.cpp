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


// The windows the check found, as the report lists them.
struct Listing {
    std::vector<Rect> displays;
    std::vector<WindowInfo> onScreen;                 // every window on screen, front to back
    std::vector<WindowInfo> front;                    // the candidates among them
    std::vector<std::optional<WindowInfo>> coverers;  // of each candidate
    std::vector<WindowInfo> hidden;                   // candidates not on screen
};

// The window tried and the box in it.
struct Trial {
    WindowInfo window;
    Rect box;
};

Listing listWindows(WindowCheck& check) {
    Listing l;
    l.displays = check.displays();
    l.onScreen = check.list(WindowListOptions::onScreenOnly);
    l.front = candidates(l.onScreen, true);
    check.say("");
    check.say("Windows on screen, front to back (" + std::to_string(l.front.size()) + "):");
    for (std::size_t i = 0; i < l.front.size(); ++i) {
        const auto& w = l.front[i];
        l.coverers.push_back(WindowTracking::coverer(w.frame, w.id, l.onScreen, l.displays));
        check.say("  " + std::to_string(i + 1) + ". " + describe(w) + " · on screen: yes · covered: " +
                  (l.coverers.back() ? "yes, by " + name(*l.coverers.back()) : std::string("no")));
    }
    l.hidden = candidates(check.list(WindowListOptions::all), false);
    check.say("Windows not on screen (another workspace, minimized or hidden) (" + std::to_string(l.hidden.size()) +
              "):");
    for (const auto& w : l.hidden) check.say("  -  " + describe(w) + " · on screen: no · covered: not applicable");
    return l;
}

// A covered window when there is one, else the second from the front (or the only one).
Trial pickTrial(WindowCheck& check, const Listing& l) {
    check.say("");
    const auto coveredAt = std::find_if(l.coverers.begin(), l.coverers.end(), [](const auto& c) { return c.has_value(); });
    if (coveredAt != l.coverers.end()) {
        const WindowInfo& test = l.front[coveredAt - l.coverers.begin()];
        const WindowInfo& coverer = **coveredAt;
        check.say("Case: a covered window. " + describe(test) + " lies behind " + name(coverer) + ".");
        return {test, box(test.frame, test.frame.intersection(coverer.frame).value_or(test.frame))};
    }
    const WindowInfo& test = l.front.size() == 1 ? l.front[0] : l.front[1];
    check.say(std::string("Case: no window is covered by another one, so this is the ") +
              (l.front.size() == 1 ? "only window" : "second window from the front") + ": " + describe(test) + ".");
    check.say("The two pictures below should then show the same thing.");
    return {test, box(test.frame, test.frame)};
}

// The box through both capture paths, and the geometry check on the front-most
// window nothing covers; true when every comparison had its pictures.
bool compareTrials(WindowCheck& check, const Listing& l, const Trial& t) {
    const auto boxCoverer = WindowTracking::coverer(t.box, t.window.id, l.onScreen, l.displays);
    check.say("Box: " + whole(t.box.x) + ", " + whole(t.box.y) + ", " + whole(t.box.width) + " × " +
              whole(t.box.height) + " pt (screen coordinates, top-left origin) · covered: " +
              (boxCoverer ? "yes, by " + name(*boxCoverer) : std::string("no")));
    bool complete = check.compare(t.box, t.window, "window.png", "display.png");
    const auto uncoveredAt = std::find_if(l.coverers.begin(), l.coverers.end(), [](const auto& c) { return !c; });
    if (uncoveredAt == l.coverers.end()) return complete;
    const WindowInfo& clear = l.front[uncoveredAt - l.coverers.begin()];
    if (clear.id == t.window.id && !boxCoverer) return complete;
    check.say("");
    check.say("Geometry check on a window nothing covers (" + describe(clear) +
              "): the two pictures should be the same.");
    return check.compare(box(clear.frame, clear.frame), clear, "uncovered-window.png", "uncovered-display.png") &&
           complete;
}

// What a watch drawn on the box now would be bound to, where its frame goes,
// and how it would report lost sight.
void bindingLines(WindowCheck& check, const Listing& l, const Trial& t) {
    check.say("");
    const auto screen = check.screenFor(t.box);
    if (screen) {
        const auto bound = WindowTracking::pick(t.box, l.onScreen, l.displays, screen->visibleFrame);
        check.say("Drawn now, the first box would " +
                  (bound ? "be bound to " + name(*bound) + " (id " + std::to_string(bound->id) +
                               "), the frontmost window under it."
                         : std::string("stay a screen-area watch.")));
    }
    const auto place =
        WindowTracking::framePlace(WindowTracking::anchor(t.box, t.window), t.box.size(), l.onScreen, l.displays);
    check.say("The frame of a watch bound to " + t.window.app + " there: " +
              (place.isShown() ? "shown at " + whole(place.box->x) + ", " + whole(place.box->y) + "."
                               : std::string("hidden (covered, or not on screen).")));

    check.say("");
    check.say("The frame of a bound watch (drawn invisibly for this check):");
    check.frameCase(t.box, t.window, "covered");
    check.frameCase(box(l.front[0].frame, l.front[0].frame), l.front[0], "in front");

    check.say("");
    check.say("Lost sight, as a bound watch would report it:");
    if (!screen) return;
    const WindowAnchor nobody{4000000000u, "Nobody", std::nullopt, 10, 10, 800, 600};
    check.say("  a window id that does not exist → " + check.failure(WindowCheck::region(*screen, t.box, true, nobody)));
    WindowAnchor outside = WindowTracking::anchor(t.box, t.window);
    outside.x = t.window.frame.width - 50;
    check.say("  a box that no longer lies inside " + t.window.app + " → " +
              check.failure(WindowCheck::region(*screen, t.box, true, outside)));
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
    WindowCheck check(folder, platform);
    if (!check.output().prepare()) return DevFiles::cannotWrite;
    // Present means refused, whatever its value: a way to try the refusal.
    const bool allowed = check.screenAllowed() && !std::getenv("KESTROVE_NO_SCREEN_PERMISSION");
    check.say("Kestrove --window-check · " + iso8601(std::chrono::system_clock::now()));
    if (allowed) {
        check.say("Screen capture: allowed (an X11 session whose server has Composite)");
    } else {
        check.say("Screen capture is not allowed. Nothing was captured.");
        check.say("Run this in an X11 session whose server has Composite: kestrove --window-check <dir>");
    }
    const Listing listing = listWindows(check);
    if (!allowed) return check.finish(1);
    if (listing.front.empty()) {
        check.say("");
        check.say("No normal window of another app is on screen: nothing to try.");
        return check.finish(2);
    }
    const Trial trial = pickTrial(check, listing);
    const bool complete = compareTrials(check, listing, trial);
    bindingLines(check, listing, trial);
    check.offScreen(listing.hidden);
    return check.finish(complete ? 0 : 3);
}

}  // namespace kestrove::DevWindow
