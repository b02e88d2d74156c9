// The window check's later sections: the frame of a bound watch, drawn
// invisibly, and windows that are not on screen read through the window path.
#include <algorithm>
#include <filesystem>

#include "app/dev/dev_text.hpp"
#include "app/dev/dev_window.hpp"
#include "app/dev/window_check.hpp"
#include "app/frame/frame_controller.hpp"
#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_window.hpp"
#include "app/frame/widget_frame_factory.hpp"

namespace kestrove {

namespace {

std::string whole(double v) { return std::to_string(DevText::whole(v)); }

// Linux has no hidden applications; what can be told is whether the program
// that owns the window still runs.
std::string programState(const WindowInfo& window) {
    std::error_code ignored;
    if (window.ownerPID > 0 && std::filesystem::exists("/proc/" + std::to_string(window.ownerPID), ignored))
        return "app running";
    return "app unknown";
}

}  // namespace

void WindowCheck::frameCase(const Rect& box, const WindowInfo& window, const std::string& label) {
    const auto screen = screenFor(box);
    if (!screen) return;
    const WindowAnchor anchor = WindowTracking::anchor(box, window);
    FrameWindow* drawn = nullptr;
    FrameController frame(region(*screen, box, true, anchor), WatchStatus::watching, 5, screenSource_, qtFrameDelay(),
                          [&drawn](const FrameModel& model) {
                              auto w = std::make_unique<FrameWindow>(model, false);
                              w->setWindowOpacity(0);
                              drawn = w.get();
                              return w;
                          });
    const auto place = WindowTracking::framePlace(anchor, box.size(), list(WindowListOptions::onScreenOnly), displays());
    frame.follow(place);
    const bool visible = drawn && drawn->isVisible();
    const QRect g = drawn ? drawn->QWidget::geometry() : QRect();
    const std::string head = "  " + window.app + " (" + label + "): ";
    if (!place.isShown()) {
        say(head + (visible ? "FAIL, the frame is on screen although the box is covered" : "ok, hidden"));
    } else {
        const Rect& r = *place.box;
        const Rect got{double(g.x()), double(g.y()), double(g.width()), double(g.height())};
        const bool ok = visible && std::abs(got.minX() - (r.minX() - FrameGeometry::margin)) < 1 && got.contains(r);
        say(head + (ok ? "ok" : "FAIL") + ", box at " + whole(r.x) + ", " + whole(r.y) + " → frame window " +
            std::to_string(g.x()) + ", " + std::to_string(g.y()) + ", " + std::to_string(g.width()) + " × " +
            std::to_string(g.height()) + " (screen coordinates)");
    }
    frame.close();
}

void WindowCheck::offScreen(const std::vector<WindowInfo>& hidden) {
    std::vector<WindowInfo> tried;
    for (const auto& w : hidden) {
        const Size s = w.frame.size();
        if (s.w >= 400 && s.h >= 300 && !(s.w == 500 && s.h == 500)) tried.push_back(w);
    }
    std::stable_sort(tried.begin(), tried.end(), [](const WindowInfo& a, const WindowInfo& b) {
        return a.frame.width * a.frame.height > b.frame.width * b.frame.height;
    });
    if (tried.size() > 10) tried.resize(10);
    if (tried.empty() || screens().empty()) return;
    const ScreenInfo& main = screens().front();
    say("");
    say("Windows that are not on screen, through the window path (a 400 × 300 pt box from the middle of each):");
    for (const auto& w : tried) {
        const Rect box = DevWindow::box(w.frame, w.frame);
        const Timed t = capture(region(main, box, true, WindowTracking::anchor(box, w)));
        const std::string head = "  " + DevWindow::describe(w) + " · " + programState(w) + " → ";
        if (t.shot) {
            const Image& picture = t.shot.value();
            say(head + std::to_string(picture.width) + " × " + std::to_string(picture.height) + " px in " +
                std::to_string(t.ms) + " ms · " + DevWindow::flatness(picture));
        } else {
            say(head + "FAILED after " + std::to_string(t.ms) + " ms: " + t.shot.error().description());
        }
    }
}

}  // namespace kestrove
