#include "app/creation/new_watch_panel.hpp"

#include <QShortcut>

#include <cmath>

#include "app/creation/key_panel.hpp"
#include "app/creation/panel_placement.hpp"
#include "app/creation/panel_root.hpp"
#include "app/look/qt_image.hpp"
#include "app/platform/own_windows.hpp"

namespace kestrove {

namespace {

// The crop in points: its pixels over the region's scale (never below 1).
QImage thumbnailOf(const Image& crop, double scale) {
    QImage image = qImageFromImage(crop);
    image.setDevicePixelRatio(std::max(scale, 1.0));
    return image;
}

}  // namespace

NewWatchPanel::NewWatchPanel(const SelectedRegion& selection, const Image& crop, NewWatchServices services)
    : selection_(selection),
      placeAbove_(PanelPlacement::placeAbove(selection.rect, selection.screen.visibleFrame)),
      model_(std::make_unique<NewWatchModel>(selection.region, std::move(services))),
      panel_(std::make_unique<KeyPanel>(cornerRadius)) {
    model_->image = crop;
    panel_->setWindowTitle(QStringLiteral("New watch"));
    // A panel, but it may stay open for hours while the sentence waits.
    panel_->setProperty(OwnWindows::lastingProperty, true);
    root_ = new PanelRoot(*model_, thumbnailOf(crop, selection.region.scale));
    panel_->setContent(root_);
    layout(PanelPlacement::initialHeight);

    auto key = [this](QKeySequence sequence, std::function<void()> action) {
        auto* shortcut = new QShortcut(sequence, panel_.get());
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setEnabled(false);
        QObject::connect(shortcut, &QShortcut::activated, panel_.get(), std::move(action));
        keys_.push_back(shortcut);
    };
    key(QKeySequence(Qt::Key_Return), [this] { root_->runDefault(); });
    key(QKeySequence(Qt::Key_Enter), [this] { root_->runDefault(); });
    key(QKeySequence(Qt::Key_Escape), [this] { model_->cancel(); });
    root_->onSize([this](int height) { layout(height); });
}

NewWatchPanel::~NewWatchPanel() = default;

void NewWatchPanel::setCrop(const Image& crop) {
    model_->image = crop;
    root_->setThumbnail(thumbnailOf(crop, selection_.region.scale));
}

bool NewWatchPanel::layout(double height) {
    if (height <= 1) return false;
    const Rect f = PanelPlacement::frame(selection_.rect, selection_.screen.visibleFrame, placeAbove_, height);
    const QRect wanted(static_cast<int>(std::lround(f.x)), static_cast<int>(std::lround(f.y)), static_cast<int>(f.width),
                       static_cast<int>(f.height));
    if (panel_->geometry() == wanted) return false;
    panel_->setGeometry(wanted);
    return true;
}

Rect NewWatchPanel::frame() const {
    const QRect g = panel_->geometry();
    return {double(g.x()), double(g.y()), double(g.width()), double(g.height())};
}

void NewWatchPanel::show(bool activate) {
    layout(root_->contentHeight());
    if (!panel_->isVisible()) panel_->show();
    panel_->raise();
    if (!activate) return;
    panel_->activateWindow();
    for (QShortcut* key : keys_) key->setEnabled(true);
}

void NewWatchPanel::close() {
    for (QShortcut* key : keys_) key->setEnabled(false);
    panel_->hide();
}

bool NewWatchPanel::isShown() const { return panel_->isVisible(); }

QImage NewWatchPanel::render() {
    QImage image(panel_->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panel_->render(&image, QPoint(), panel_->mask());
    return image;
}

}  // namespace kestrove
