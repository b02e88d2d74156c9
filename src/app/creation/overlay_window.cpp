#include "app/creation/overlay_window.hpp"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWindow>

#include "app/creation/selection_geometry.hpp"
#include "app/look/brand.hpp"

namespace kestrove {

namespace {

QRectF qrect(const Rect& r) { return {r.x, r.y, r.width, r.height}; }

}  // namespace

OverlayWindow::OverlayWindow(ScreenInfo screen, QImage picture, SelectionState& state, Finish finish)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint),
      screen_(std::move(screen)), picture_(std::move(picture)), state_(state), finish_(std::move(finish)) {
    setWindowTitle(QStringLiteral("Kestrove selection"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    const Rect& f = screen_.frame;
    setGeometry(QRect(static_cast<int>(f.x), static_cast<int>(f.y), static_cast<int>(f.width), static_cast<int>(f.height)));
    state_.views.push_back(this);
}

void OverlayWindow::takeKeyboard() {
    // The window must be on screen before the server lets it grab.
    QWindow* window = windowHandle();
    if (window && window->isExposed() && window->setKeyboardGrabEnabled(true)) {
        grabKeyboard();
        activateWindow();
        setFocus();
        return;
    }
    if (++grabTries_ < 100) QTimer::singleShot(10, this, [this] { takeKeyboard(); });
}

Point OverlayWindow::pointer(const QMouseEvent* event) const {
    const QPointF g = event->globalPosition();
    return SelectionGeometry::clamp({g.x(), g.y()}, screen_.frame);
}

void OverlayWindow::redrawAll() {
    for (OverlayWindow* view : state_.views) view->update();
}

void OverlayWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) return finish_(std::nullopt, std::nullopt);
    if (event->button() != Qt::LeftButton) return;
    start_ = pointer(event);
    dragging_ = false;
}

void OverlayWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!start_ || !(event->buttons() & Qt::LeftButton)) return;
    dragging_ = true;
    state_.cursor = pointer(event);
    state_.rect = SelectionGeometry::box(*start_, state_.cursor);
    redrawAll();
}

void OverlayWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool drawn = dragging_ && state_.rect && SelectionGeometry::accepted(*state_.rect);
    start_.reset();
    dragging_ = false;
    if (drawn) return finish_(state_.rect, screen_);
    // Too small, or a click: nothing drawn; the user may drag again.
    state_.rect.reset();
    redrawAll();
}

void OverlayWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return finish_(std::nullopt, std::nullopt);
    QWidget::keyPressEvent(event);
}

void OverlayWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (picture_.isNull())
        p.fillRect(rect(), QColor(64, 64, 64));
    else
        p.drawImage(QRectF(rect()), picture_);
    // Before a drag the screen looks as it was.
    if (!state_.rect) return;
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF local = qrect(*state_.rect).translated(-screen_.frame.x, -screen_.frame.y);
    const bool here = local.intersects(QRectF(rect()));
    QPainterPath dim;
    dim.addRect(QRectF(rect()));
    if (here) dim.addRect(local);
    dim.setFillRule(Qt::OddEvenFill);
    p.fillPath(dim, QColor::fromRgbF(0, 0, 0, 0.38f));
    if (!here) return;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.35f), 1));
    p.drawRect(local.adjusted(-1.5, -1.5, 1.5, 1.5));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(local.adjusted(-0.5, -0.5, 0.5, 0.5));
    paintLabel(p, local);
}

void OverlayWindow::paintLabel(QPainter& p, const QRectF& local) {
    const QString text = QString::fromStdString(SelectionGeometry::sizeText({local.width(), local.height()}));
    const QFont font = Brand::font(11, QFont::Medium);
    const QSizeF textSize = QFontMetricsF(font).size(Qt::TextSingleLine, text);
    const Size label{textSize.width() + 12, textSize.height() + 6};
    const Point cursor{state_.cursor.x - screen_.frame.x, state_.cursor.y - screen_.frame.y};
    const Point at = SelectionGeometry::labelOrigin(cursor, label, {double(width()), double(height())});
    QPainterPath pill;
    pill.addRoundedRect(QRectF(at.x, at.y, label.w, label.h), 5, 5);
    p.fillPath(pill, QColor::fromRgbF(0, 0, 0, 0.75f));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(at.x + 6, at.y + 3, textSize.width(), textSize.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
}

}  // namespace kestrove
