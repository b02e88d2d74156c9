#pragma once
// Stand-ins for the platform services, for tests without a display: the
// blocking backends (a window list, screens) and the asynchronous services
// of the Platform, which answer through the executor they are given (see
// fake_requests.hpp for holding, scripting and releasing answers).

#include <algorithm>
#include <map>
#include <optional>

#include "app/platform/screen_capturer.hpp"
#include "app/platform/screen_space.hpp"
#include "app/platform/text_recognizer.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/window_list.hpp"
#include "core/foundation/executor.hpp"
#include "support/app/fake_requests.hpp"

namespace kestrove::fakes {

class FakeWindowList final : public WindowList {
public:
    std::vector<WindowInfo> windows;
    std::map<std::uint32_t, std::string> bundleIDs;
    std::vector<WindowListOptions> asked;
    bool connected = true;

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
    bool isConnected() const override { return connected; }
};

class FakeScreens final : public Screens {
public:
    std::vector<ScreenInfo> list;
    std::vector<ScreenInfo> screens() const override { return list; }
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

// A plain grey picture of the region's size.
inline Captured greyPicture(const WatchRegion& region) {
    const auto size = WindowTracking::pictureSize(region);
    if (!size) return CaptureError::failed("no size");
    Image grey(size->width, size->height);
    std::fill(grey.rgba.begin(), grey.rgba.end(), std::uint8_t{128});
    return grey;
}

// Captures answered from `captures.script`, then with what `screen` shows
// (a grey picture unless a test changes it).
class FakeScreenCapturer final : public ScreenCapturer {
public:
    explicit FakeScreenCapturer(Executor main)
        : captures("capture", main, [this](const WatchRegion& r) { return screen(r); }), main_(main) {}

    std::function<Captured(const WatchRegion&)> screen = greyPicture;
    Requests<WatchRegion, Captured> captures;
    bool isAllowed = true;
    int refreshes = 0;

    // Scripted as pictures; the grid is added as the real capturer adds it.
    Pending capture(const std::string& owner, const WatchRegion& region, BoxDone done) override {
        if (!done) return captures.ask(owner, "capture", region, nullptr);
        return captures.ask(owner, "capture", region,
                            [done = std::move(done)](Captured c) { done(withGrid(std::move(c))); });
    }
    Pending captureScreen(const WatchRegion& region, Done done) override {
        return captures.ask("", "screen", region, std::move(done));
    }
    void forget(const std::string& owner) override { captures.forget(owner); }
    std::optional<WindowCaptureFacts> lastWindowCapture() const override { return std::nullopt; }
    bool allowed() const override { return isAllowed; }
    Pending refreshAllowed(std::function<void(bool)> done) override {
        captures.onThread("asked whether capture is allowed");
        ++refreshes;
        return Pending::answered(main_, [done = std::move(done), a = isAllowed] { done(a); });
    }

private:
    Executor main_;
};

struct Recognition {
    Image image;
    bool languageCorrection = false;
    SharedImage shared;  // as handed over
};

// Every recognition answered with `lines` unless scripted otherwise, or
// with `corrected` when it asks for language correction and that is set.
class FakeTextRecognizer final : public TextRecognizer {
public:
    explicit FakeTextRecognizer(Executor main)
        : recognitions("recognition", main, [this](const Recognition& r) {
              return r.languageCorrection && corrected ? *corrected : lines;
          }) {}

    std::vector<OCRLine> lines;
    std::optional<std::vector<OCRLine>> corrected;
    Requests<Recognition, std::vector<OCRLine>> recognitions;

    Pending recognize(const std::string& owner, SharedImage image, bool languageCorrection, Done done) override {
        return recognitions.ask(owner, "recognize", {image ? *image : Image{}, languageCorrection, image}, std::move(done));
    }
    void forget(const std::string& owner) override { recognitions.forget(owner); }
    void warmUp() override {}
};

// Lists from `backend` (its windows, what it is asked recorded there too)
// and binds against it and `screens`, as the real worker would.
class FakeAsyncWindowList final : public AsyncWindowList {
public:
    FakeAsyncWindowList(Executor main, const Screens& screens)
        : lists("window list", main,
                [this](const WindowListOptions& o) -> ListedWindows {
                    if (!backend.isConnected()) return WindowListError{"no window system"};
                    return backend.list(o);
                }),
          binds("binding", main,
                [this, &screens](const SelectedRegion& s) { return WindowBinder::bind(s, backend, screens); }) {}

    FakeWindowList backend;
    Requests<WindowListOptions, ListedWindows> lists;
    Requests<SelectedRegion, SelectedRegion> binds;

    Pending list(const std::string& owner, WindowListOptions options,
                 std::function<void(ListedWindows)> done) override {
        const char* lane = options == WindowListOptions::all ? "all" : "on screen";
        return lists.ask(owner, lane, options, std::move(done));
    }
    // Asked as list(), once; when the windows are still those told, or
    // cannot be read, no answer (the real one reads them again later).
    Pending listChanged(const std::string& owner, WindowListOptions options, ToldWindows told,
                        std::chrono::milliseconds every, std::function<void(ListedWindows)> done) override {
        lastEvery = every;
        auto answer = [told, done = std::move(done), this](ListedWindows listed) {
            if (!listed || (told && listed.value() == *told)) {
                ++quietLists;
                return;
            }
            done(std::move(listed));
        };
        return list(owner, options, std::move(answer));
    }
    std::chrono::milliseconds lastEvery{0};
    int quietLists = 0;  // answers left untold
    Pending bind(const SelectedRegion& selection, std::function<void(SelectedRegion)> done) override {
        return binds.ask("", "bind", selection, std::move(done));
    }
    void forget(const std::string& owner) override { lists.forget(owner); }
};

}  // namespace kestrove::fakes
