#include "app/frame/frame_window.hpp"

#include <QPainter>

#include <cmath>

#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_painter.hpp"
#include "app/look/state_tag.hpp"

namespace kestrove {

namespace {

// Clear of the lines' corners, their anti-aliasing and the blink's rounded
// corners: inside this the fill is flat.
constexpr int hollowInset = 6;

}  // namespace

FrameWindow::FrameWindow(const FrameModel& model, bool compositing, std::shared_ptr<OwnWindows> own,
                         std::function<void()> shown, PaintBackground background)
    : drawing_{model, {}, true, {}, compositing}, own_(std::move(own)), onShown_(std::move(shown)),
      background_(std::move(background)) {}

FrameWindow::~FrameWindow() = default;

void FrameWindow::setGeometry(const Rect& window) {
    frame_ = window;
    // Whole points for the windows; a box off the grid is drawn where it lies.
    const double left = std::floor(window.minX()), top = std::floor(window.minY());
    const int right = static_cast<int>(std::ceil(window.maxX())), bottom = static_cast<int>(std::ceil(window.maxY()));
    const QRect whole(QPoint(static_cast<int>(left), static_cast<int>(top)), QPoint(right - 1, bottom - 1));
    // Qt moves a painter's clip region by rounding the shift, a half away
    // from zero: a band drawn at a negative shift would round a half the
    // other way from the whole drawing. Just past the half both round alike,
    // and draw alike (far below the rasteriser's precision).
    const auto past = [](double v) { return v == 0.5 ? 0.5 + 1e-6 : v; };
    const QPointF shift(past(window.minX() - left), past(window.minY() - top));
    const bool reshaped = whole.size() != whole_.size() || shift != drawing_.shift;
    whole_ = whole;
    drawing_.shift = shift;
    arrange();
    if (reshaped) redraw();
}

void FrameWindow::layOut(Size regionSize, bool tagOnTop) {
    drawing_.regionSize = regionSize;
    drawing_.tagOnTop = tagOnTop;
    arrange();
    redraw();
}

void FrameWindow::arrange() {
    std::array<QRect, 4> parts{};
    int inUse = 0;
    hollow_ = QRect();
    const QRect all(QPoint(0, 0), whole_.size());
    const Size size = drawing_.regionSize;
    // Placed but not laid out yet: nothing is drawn.
    if (size.w > 0 && size.h > 0 && !all.isEmpty()) {
        const Rect box = FrameGeometry::boxInView(size, drawing_.tagOnTop);
        const QPointF at = drawing_.shift;
        const QRect hollow = QRectF(box.x + at.x(), box.y + at.y(), box.width, box.height)
                                 .toAlignedRect()
                                 .adjusted(hollowInset, hollowInset, -hollowInset, -hollowInset);
        if (hollow.isValid() && all.contains(hollow)) {
            // Top and bottom across the whole width, left and right between them.
            parts = {QRect(QPoint(0, 0), QPoint(all.right(), hollow.top() - 1)),
                     QRect(QPoint(0, hollow.bottom() + 1), all.bottomRight()),
                     QRect(QPoint(0, hollow.top()), QPoint(hollow.left() - 1, hollow.bottom())),
                     QRect(QPoint(hollow.right() + 1, hollow.top()), QPoint(all.right(), hollow.bottom()))};
            inUse = 4;
            hollow_ = hollow;
        } else {
            parts[0] = all;  // too small for a hole: one window draws it all
            inUse = 1;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (i >= inUse || parts[i].isEmpty()) {
            bands_[i].reset();
            continue;
        }
        if (!bands_[i]) {
            bands_[i] = std::make_unique<FrameBand>(drawing_, own_);
            if (opacity_ < 1) bands_[i]->setWindowOpacity(opacity_);
        }
        bands_[i]->place(parts[i], whole_.topLeft());
    }
    if (fill_ && hollow_.isValid()) fill_->setGeometry(hollow_.translated(whole_.topLeft()));
}

void FrameWindow::redraw() {
    const std::vector<Rect> painted = paintedInWindow();
    for (auto& band : bands_)
        if (band) band->redraw(painted);
    showFill();
}

void FrameWindow::showFill() {
    const bool wanted = drawing_.model.flashOn && hollow_.isValid();
    if (!fill_ && !wanted) return;
    if (!fill_) {
        fill_ = std::make_unique<FrameFill>(drawing_.compositing, background_, own_);
        if (opacity_ < 1) fill_->setOpacity(opacity_);
        fill_->setGeometry(hollow_.translated(whole_.topLeft()));
        // Stacked with the rest before it first shows: a new window starts on top of all.
        if (shown_ && onShown_) onShown_();
    }
    fill_->tellWherePainted(drawing_.model.flashing && hollow_.isValid());
    if (wanted && shown_) fill_->show();
    else fill_->hide();
}

void FrameWindow::show() {
    shown_ = true;
    const std::vector<Rect> painted = paintedInWindow();
    for (auto& band : bands_) {
        if (!band) continue;
        band->tellWherePainted(painted);
        if (!band->isVisible()) band->show();
    }
    showFill();
    if (onShown_) onShown_();
}

void FrameWindow::hide() {
    shown_ = false;
    for (auto& band : bands_)
        if (band) band->hide();
    if (fill_) fill_->hide();
}

std::vector<Rect> FrameWindow::paintedInWindow() const {
    const Rect inView = FrameGeometry::boxInView(drawing_.regionSize, drawing_.tagOnTop)
                            .offsetBy(frame_.minX() - whole_.x(), frame_.minY() - whole_.y());
    const QSizeF tag = StateTag::pillSize(QString::fromStdString(drawing_.model.tagText()));
    return FrameGeometry::paintedAreas(inView, drawing_.tagOnTop, {tag.width(), tag.height()},
                                       drawing_.model.flashing);
}

std::vector<Rect> FrameWindow::shownAreas() const {
    if (!shown_) return {};
    const Rect inView = FrameGeometry::boxInView(drawing_.regionSize, drawing_.tagOnTop);
    const Rect box = inView.offsetBy(frame_.minX(), frame_.minY());
    const QSizeF tag = StateTag::pillSize(QString::fromStdString(drawing_.model.tagText()));
    return FrameGeometry::paintedAreas(box, drawing_.tagOnTop, {tag.width(), tag.height()}, drawing_.model.flashing);
}

void FrameWindow::setCompositing(bool compositing) {
    if (compositing == drawing_.compositing) return;
    drawing_.compositing = compositing;
    // A window's visual is chosen when it is made: each is made again.
    for (auto& band : bands_)
        if (band) band->remake();
    fill_.reset();
    redraw();
    if (shown_) show();
}

std::vector<std::uint32_t> FrameWindow::windowIds() const {
    std::vector<std::uint32_t> ids;
    for (const auto& band : bands_)
        if (band && band->made()) ids.push_back(band->windowId());
    if (fill_) ids.push_back(fill_->windowId());
    return ids;
}

std::vector<FrameWindow::Part> FrameWindow::parts() const {
    std::vector<Part> out;
    for (const auto& band : bands_)
        if (band) out.push_back({band->made() ? band->windowId() : 0, band->part()});
    if (fill_ && fill_->isVisible()) out.push_back({fill_->windowId(), hollow_});
    return out;
}

QRegion FrameWindow::shape() const {
    if (drawing_.compositing) return {};
    QRegion shape;
    for (const auto& band : bands_)
        if (band) shape += band->mask().translated(band->part().topLeft());
    // The blink's fill is flat: its inside is opaque enough everywhere.
    if (drawing_.model.flashOn && hollow_.isValid()) shape += hollow_;
    return shape;
}

QImage FrameWindow::render() const {
    QImage image(whole_.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.translate(drawing_.shift);
    FramePainter::paint(p, drawing_.model, drawing_.regionSize, drawing_.tagOnTop);
    return image;
}

void FrameWindow::setOpacity(double opacity) {
    opacity_ = opacity;
    for (auto& band : bands_)
        if (band) band->setWindowOpacity(opacity);
    if (fill_) fill_->setOpacity(opacity);
}

}  // namespace kestrove
