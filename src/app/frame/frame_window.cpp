#include "app/frame/frame_window.hpp"

#include <QBitmap>
#include <QPainter>
#include <QRegion>

#include <cmath>

#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_painter.hpp"
#include "app/look/state_tag.hpp"

namespace kestrove {

FrameWindow::FrameWindow(const FrameModel& model, bool compositing)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
      model_(model), compositing_(compositing) {
    // Translucent even without a compositor: the window then shows its
    // premultiplied pixels, as if over black, and only where its mask lets it.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Kestrove frame"));
}

void FrameWindow::setGeometry(const Rect& window) {
    frame_ = window;
    // Whole points for the window; a box off the grid is drawn where it lies.
    const double left = std::floor(window.minX()), top = std::floor(window.minY());
    const int right = static_cast<int>(std::ceil(window.maxX())), bottom = static_cast<int>(std::ceil(window.maxY()));
    const QRect whole(QPoint(static_cast<int>(left), static_cast<int>(top)), QPoint(right - 1, bottom - 1));
    const QPointF offset(window.minX() - left, window.minY() - top);
    const bool reshaped = whole.size() != size() || offset != offset_;
    offset_ = offset;
    QWidget::setGeometry(whole);
    if (reshaped) redraw();
}

void FrameWindow::layOut(Size regionSize, bool tagOnTop) {
    regionSize_ = regionSize;
    tagOnTop_ = tagOnTop;
    redraw();
}

void FrameWindow::redraw() {
    if (!compositing_) updateMask();
    update();
}

void FrameWindow::show() {
    if (!isVisible()) QWidget::show();
    raise();
}

void FrameWindow::hide() { QWidget::hide(); }

std::vector<Rect> FrameWindow::shownAreas() const {
    if (!isVisible()) return {};
    const Rect inView = FrameGeometry::boxInView(regionSize_, tagOnTop_);
    const Rect box = inView.offsetBy(frame_.minX(), frame_.minY());
    const QSizeF tag = StateTag::pillSize(QString::fromStdString(model_.tagText()));
    return FrameGeometry::paintedAreas(box, tagOnTop_, {tag.width(), tag.height()}, model_.flashing);
}

void FrameWindow::setCompositing(bool compositing) {
    if (compositing == compositing_) return;
    compositing_ = compositing;
    if (compositing_) clearMask();
    redraw();
}

QImage FrameWindow::render() const {
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.translate(offset_);
    FramePainter::paint(p, model_, regionSize_, tagOnTop_);
    return image;
}

void FrameWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.translate(offset_);
    FramePainter::paint(p, model_, regionSize_, tagOnTop_);
}

void FrameWindow::updateMask() {
    // Nothing blends the window with the screen: a faint pixel would show as
    // a dark one. Only pixels at least a third opaque belong to the shape, so
    // the hairlines meant as a shadow and the edges' fringes stay out, while
    // a paused frame (drawn at 40 %) keeps its line.
    constexpr int least = 80;
    const QImage drawn = render();
    QImage shape(drawn.size(), QImage::Format_MonoLSB);
    shape.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // 1 is Qt::color1: inside
    shape.fill(0);
    for (int y = 0; y < drawn.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        uchar* bits = shape.scanLine(y);
        for (int x = 0; x < drawn.width(); ++x)
            if (qAlpha(row[x]) >= least) bits[x >> 3] |= uchar(1u << (x & 7));
    }
    setMask(QRegion(QBitmap::fromImage(shape)));
}

}  // namespace kestrove
