#include "app/creation/region_selector.hpp"

#include <QCursor>

#include "app/creation/overlay_window.hpp"
#include "app/creation/selection_geometry.hpp"
#include "app/look/qt_image.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

RegionSelector::RegionSelector(const Screens& screens, ScreenCapturer& capturer)
    : screens_(screens), capturer_(capturer), context_(std::make_unique<QObject>()),
      state_(std::make_unique<SelectionState>()) {}

RegionSelector::~RegionSelector() = default;

bool RegionSelector::running() const { return preparing_ || !windows_.empty(); }

std::vector<OverlayWindow*> RegionSelector::overlays() const {
    std::vector<OverlayWindow*> out;
    for (const auto& w : windows_) out.push_back(w.get());
    return out;
}

void RegionSelector::begin(Completion completion) {
    if (running()) return;
    completion_ = std::move(completion);
    state_->rect.reset();
    state_->views.clear();
    shown_ = screens_.screens();
    preparing_ = true;
    pictures_.assign(shown_.size(), std::nullopt);
    waiting_ = shown_.size();
    if (shown_.empty()) {
        postTo(context_.get(), [this] { open(); });
        return;
    }
    // Each screen as it is now, so the overlays can show it unchanged.
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const ScreenInfo& s = shown_[i];
        const WatchRegion whole{s.displayID, 0, 0, s.frame.width, s.frame.height, s.scale, std::nullopt};
        // As the user sees it: our own frames included.
        captures_.push_back(capturer_.captureScreen(whole, [this, i](Captured picture) { pictured(i, std::move(picture)); }));
    }
}

void RegionSelector::pictured(std::size_t index, Captured picture) {
    if (picture.ok())
        pictures_[index] = std::move(picture.value());
    else
        logLine("the screen " + shown_[index].name + " could not be pictured for drawing a box: " +
                picture.error().description());
    if (--waiting_ == 0) open();
}

void RegionSelector::open() {
    preparing_ = false;
    captures_.clear();
    if (shown_.empty()) {
        Completion completion = std::move(completion_);
        completion_ = nullptr;
        if (completion) completion(std::nullopt);
        return;
    }
    const QPoint at = QCursor::pos();
    OverlayWindow* keyed = nullptr;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        QImage picture = pictures_[i] ? qImageFromImage(*pictures_[i]) : QImage();
        picture.setDevicePixelRatio(std::max(shown_[i].scale, 1.0));
        auto window = std::make_unique<OverlayWindow>(
            shown_[i], std::move(picture), *state_,
            [this](std::optional<Rect> rect, std::optional<ScreenInfo> screen) { finish(rect, std::move(screen)); });
        const Rect& f = shown_[i].frame;
        if (!keyed && at.x() >= f.minX() && at.x() < f.maxX() && at.y() >= f.minY() && at.y() < f.maxY())
            keyed = window.get();
        windows_.push_back(std::move(window));
    }
    pictures_.clear();
    if (!keyed) keyed = windows_.front().get();
    for (auto& w : windows_) w->show();
    keyed->raise();
    keyed->takeKeyboard();
}

void RegionSelector::finish(std::optional<Rect> rect, std::optional<ScreenInfo> screen) {
    if (windows_.empty()) return;  // a selection ends once
    // The finishing window may be handling the event that ended it.
    for (auto& w : windows_) {
        w->releaseKeyboard();
        w->hide();
        w.release()->deleteLater();
    }
    windows_.clear();
    state_->views.clear();
    Completion completion = std::move(completion_);
    completion_ = nullptr;
    if (!completion) return;
    if (rect && screen)
        completion(SelectedRegion::make(*screen, SelectionGeometry::integral(*rect)));
    else
        completion(std::nullopt);
}

void RegionSelector::cancel() {
    if (preparing_) {
        preparing_ = false;
        captures_.clear();
        pictures_.clear();
        Completion completion = std::move(completion_);
        completion_ = nullptr;
        if (completion) postTo(context_.get(), [completion] { completion(std::nullopt); });
        return;
    }
    finish(std::nullopt, std::nullopt);
}

}  // namespace kestrove
