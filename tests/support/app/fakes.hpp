#pragma once
// Stand-ins for the platform services, for tests without a display.

#include <algorithm>
#include <deque>
#include <map>

#include "app/platform/screen_capturer.hpp"
#include "app/platform/screen_space.hpp"
#include "app/platform/text_recognizer.hpp"
#include "app/platform/window_list.hpp"
#include "core/foundation/executor.hpp"

namespace kestrove::fakes {

class FakeWindowList final : public WindowList {
public:
    std::vector<WindowInfo> windows;
    std::map<std::uint32_t, std::string> bundleIDs;
    std::vector<WindowListOptions> asked;

    std::vector<WindowInfo> list(WindowListOptions options) override {
        asked.push_back(options);
        std::vector<WindowInfo> out;
        for (const auto& w : windows)
            if (options == WindowListOptions::all || w.isOnScreen) out.push_back(w);
        return out;
    }
    std::optional<std::string> bundleID(std::uint32_t window) override {
        auto it = bundleIDs.find(window);
        if (it == bundleIDs.end()) return std::nullopt;
        return it->second;
    }
};

class FakeScreens final : public Screens {
public:
    std::vector<ScreenInfo> list;
    std::vector<ScreenInfo> screens() const override { return list; }
};

// Answers captures from a script, in order; once it runs out, a plain grey
// picture of the region's size. Remembers every region asked for.
class FakeScreenCapturer final : public ScreenCapturer {
public:
    std::deque<Captured> script;
    std::vector<WatchRegion> asked;
    std::optional<WindowCaptureFacts> facts;

    Captured capture(const WatchRegion& region) override {
        asked.push_back(region);
        if (!script.empty()) {
            Captured next = std::move(script.front());
            script.pop_front();
            return next;
        }
        const auto size = WindowTracking::pictureSize(region);
        if (!size) return CaptureError::failed("no size");
        Image grey(size->width, size->height);
        std::fill(grey.rgba.begin(), grey.rgba.end(), std::uint8_t{128});
        return grey;
    }
    std::optional<WindowCaptureFacts> lastWindowCapture() const override { return facts; }
};

inline ScreenInfo screen(const std::string& name, Rect frame, double scale = 1) {
    return {name, ScreenSpace::displayID(name), frame, frame, scale};
}

inline WindowInfo window(std::uint32_t id, Rect frame, std::string app = "Editor") {
    WindowInfo w;
    w.id = id;
    w.app = std::move(app);
    w.frame = frame;
    w.ownerPID = 4242;
    return w;
}

// Answers every recognition with `lines`, through `deliver`.
class FakeTextRecognizer final : public TextRecognizer {
public:
    struct Request {
        int width = 0;
        int height = 0;
        bool languageCorrection = false;
    };
    explicit FakeTextRecognizer(Executor deliver = inlineExecutor()) : deliver_(std::move(deliver)) {}

    std::vector<OCRLine> lines;
    std::vector<Request> requests;
    int warmUps = 0;

    void recognize(Image image, bool languageCorrection, Done done) override {
        requests.push_back({image.width, image.height, languageCorrection});
        deliver_([done = std::move(done), answer = lines]() mutable { done(std::move(answer)); });
    }
    void warmUp() override { ++warmUps; }

private:
    Executor deliver_;
};

}  // namespace kestrove::fakes
