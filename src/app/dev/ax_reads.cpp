#include "app/dev/ax_reads.hpp"

#include <algorithm>
#include <chrono>

#include "app/dev/ax_await.hpp"

namespace kestrove::DevAX {

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start, Clock::time_point end = Clock::now()) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

PictureLook lostLook(Box& box, Clock::time_point start) {
    box.pictureLost = true;
    PictureLook look;
    look.lost = true;
    look.ms = msSince(start);
    return look;
}

bool listed(const std::vector<WindowInfo>& windows, std::uint32_t id) {
    return std::any_of(windows.begin(), windows.end(), [id](const WindowInfo& w) { return w.id == id; });
}

}  // namespace

// The call is made before answer() first waits, so the references are used in time.
QCoro::Task<CapturedBox> capture(Platform& platform, const WatchRegion& region) {
    // Its windows stay redirected between reads, as a watch's do.
    return answer<CapturedBox>([&](auto done) {
        return platform.capturer->capture(region.window ? "accessibility check" : "", region, std::move(done));
    });
}

QCoro::Task<std::vector<OCRLine>> recognize(Platform& platform, Image image, bool languageCorrection) {
    co_return co_await answer<std::vector<OCRLine>>([&](auto done) {
        return platform.recognizer->recognize("", std::make_shared<const Image>(std::move(image)), languageCorrection,
                                              std::move(done));
    });
}

QCoro::Task<std::vector<WindowInfo>> listWindows(Platform& platform, WindowListOptions options) {
    ListedWindows listed = co_await answer<ListedWindows>(
        [&](auto done) { return platform.windows->list("", options, std::move(done)); });
    co_return listed.ok() ? std::move(listed.value()) : std::vector<WindowInfo>{};
}

QCoro::Task<std::pair<DirectAnswer, double>> readTimed(DirectSession& session) {
    co_return co_await answer<std::pair<DirectAnswer, double>>([&](auto done) {
        return session.readTimed([done = std::move(done)](DirectAnswer a, double ms) { done({std::move(a), ms}); });
    });
}

QCoro::Task<> adopt(DirectSession& session) {
    co_await answer<bool>([&](auto done) { return session.adopt([done = std::move(done)] { done(true); }); });
}

QCoro::Task<ChromiumDetection::Verdict> chromium(Platform& platform, std::int32_t pid) {
    co_return co_await answer<ChromiumDetection::Verdict>(
        [&](auto done) { return platform.direct->chromium(pid, std::move(done)); });
}

QCoro::Task<PictureLook> readPicture(Platform& platform, Box& box, bool force) {
    const auto start = Clock::now();
    CapturedBox picture = co_await capture(platform, box.region);
    if (!picture.ok()) co_return lostLook(box, start);
    const std::optional<DiffGrid> grid = picture.value().grid;
    if (!grid) co_return lostLook(box, start);
    // A window off screen may still give a picture, but a blank one: that
    // is not the box. The list is asked only when the picture is blank.
    if (box.region.window && grid->isFlat()) {
        const auto onScreen = co_await listWindows(platform, WindowListOptions::onScreenOnly);
        if (WindowTracking::cannotSee(listed(onScreen, box.region.window->id), *grid, box.lastGrid))
            co_return lostLook(box, start);
    }
    const bool wasLost = box.pictureLost;
    box.pictureLost = false;
    PictureLook look;
    look.changed = !box.lastGrid || PixelDiff::changed(*box.lastGrid, *grid);
    box.lastGrid = grid;
    if (force || look.changed || wasLost || !box.lines) {
        box.lines = co_await recognize(platform, std::move(picture.value().image), !box.numbers);
        look.recognized = true;
    }
    look.lines = box.lines;
    look.ms = msSince(start);
    co_return look;
}

QCoro::Task<SetUpReading> setUpRead(Platform& platform, Box& box) {
    const auto t0 = Clock::now();
    CapturedBox picture = co_await capture(platform, box.region);
    const auto t1 = Clock::now();
    SetUpReading out;
    // The direct read sits between capture and recognition and counts in neither time.
    std::tie(out.direct, out.directMS) = co_await readTimed(*box.session);
    const auto t2 = Clock::now();
    if (picture.ok()) {
        out.lines = co_await recognize(platform, picture.value().image, !box.numbers);
        box.lastGrid = picture.value().grid;
        box.lines = out.lines;
        box.pictureLost = false;
    }
    out.ms = msSince(t0, t1) + msSince(t2);
    co_return out;
}

}  // namespace kestrove::DevAX
