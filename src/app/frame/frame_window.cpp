#include "app/frame/frame_window.hpp"

#include <QBackingStore>
#include <QBitmap>
#include <QCoreApplication>
#include <QPainter>
#include <QRegion>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_painter.hpp"
#include "app/look/state_tag.hpp"

namespace kestrove {

namespace {

// How long a narrower drawing is still counted as painted: the server shows
// the old pixels until the repaint reaches it.
constexpr int narrowingDelayMs = 300;

// The box's inside made ready for a blink: this many rows every so often,
// from a while after the frame shows (a paint into the backing store waits
// for the server to have taken the last one shown, the frame's first).
constexpr int warmRows = 64;
constexpr int warmGapMs = 20;
constexpr int warmAfterShownMs = 400;

bool covers(const std::vector<Rect>& outer, const Rect& r) {
    return std::any_of(outer.begin(), outer.end(), [&](const Rect& o) { return o.contains(r); });
}

}  // namespace

FrameWindow::FrameWindow(const FrameModel& model, bool compositing, std::shared_ptr<OwnWindows> own,
                         std::function<void()> shown)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
      model_(model), compositing_(compositing), own_(std::move(own)), shown_(std::move(shown)) {
    // Ours, but registered here with where it paints rather than as a whole window.
    setProperty(OwnWindows::frameProperty, true);
    // Translucent only for a compositor. Without one the X server would
    // compose a translucent window itself, over black, copying the whole
    // window at each show and paint (30-60 ms for a screen-sized box): an
    // opaque window painted as if over black shows the same through its shape.
    setAttribute(Qt::WA_TranslucentBackground, compositing_);
    // Every pixel it shows is painted: nothing is filled first.
    setAttribute(Qt::WA_NoSystemBackground);
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

FrameWindow::~FrameWindow() { forgetSoon(); }

void FrameWindow::forgetSoon() {
    if (!own_ || told_.empty()) return;
    // The server may show it until it has done the destroying.
    QTimer::singleShot(1000, QCoreApplication::instance(), [own = own_, id = windowId()] { own->forget(id); });
    told_.clear();
}

void FrameWindow::redraw() {
    if (!compositing_) updateMask();
    tellWherePainted();
    update();
}

void FrameWindow::show() {
    tellWherePainted();
    if (!isVisible()) QWidget::show();
    if (shown_) shown_();
    warmSoon();
}

void FrameWindow::warmSoon() {
    if (warmingSoon_ || compositing_ || hollow_.isEmpty()) return;
    if (warmedFor_ != size()) {  // a new size is a new backing store
        warmedFor_ = size();
        warmedTo_ = hollow_.top();
    }
    if (warmedTo_ > hollow_.bottom()) return;
    warmingSoon_ = true;
    QTimer::singleShot(warmedTo_ == hollow_.top() ? warmAfterShownMs : warmGapMs, this, [this] { warmStep(); });
}

void FrameWindow::warmStep() {
    warmingSoon_ = false;
    if (!isVisible() || compositing_ || hollow_.isEmpty()) return;  // show() starts again
    if (warmedFor_ != size()) return warmSoon();
    QBackingStore* store = backingStore();
    if (!store) return;
    const int rows = std::min(warmRows, hollow_.bottom() + 1 - warmedTo_);
    const QRect slice(hollow_.left(), warmedTo_, hollow_.width(), rows);
    warmedTo_ += rows;
    // Straight into the backing store: an update would be cut to the shape.
    // Nothing is flushed; the inside shows only with a blink, painted then.
    store->beginPaint(slice);
    if (QPaintDevice* device = store->paintDevice()) {
        QPainter p(device);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(slice, Qt::black);
    }
    store->endPaint();
    warmSoon();
}

std::vector<Rect> FrameWindow::paintedInWindow() const {
    const Rect inView = FrameGeometry::boxInView(regionSize_, tagOnTop_).offsetBy(offset_.x(), offset_.y());
    const QSizeF tag = StateTag::pillSize(QString::fromStdString(model_.tagText()));
    return FrameGeometry::paintedAreas(inView, tagOnTop_, {tag.width(), tag.height()}, model_.flashing);
}

void FrameWindow::tellWherePainted() {
    // Nothing is drawn before the first layout.
    if (!own_ || regionSize_.w <= 0 || regionSize_.h <= 0) return;
    const std::vector<Rect> now = paintedInWindow();
    if (now == told_) return;
    const bool wider = std::all_of(told_.begin(), told_.end(), [&](const Rect& r) { return covers(now, r); });
    if (wider) {
        told_ = now;
        ++telling_;
        own_->set({windowId(), OwnWindow::Kind::frame, told_});
        return;
    }
    // Both for a moment, then only the new drawing.
    std::vector<Rect> both = now;
    for (const Rect& r : told_)
        if (!covers(now, r)) both.push_back(r);
    own_->set({windowId(), OwnWindow::Kind::frame, both});
    told_ = std::move(both);
    const int mine = ++telling_;
    QTimer::singleShot(narrowingDelayMs, this, [this, mine, now] {
        if (mine != telling_) return;
        told_ = now;
        own_->set({windowId(), OwnWindow::Kind::frame, told_});
    });
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
    // A window's visual is chosen when it is made: this one is made again.
    const bool shown = isVisible();
    if (testAttribute(Qt::WA_WState_Created)) {
        QWidget::hide();
        forgetSoon();
        destroy();
        warmedFor_ = {};
    }
    setAttribute(Qt::WA_TranslucentBackground, compositing_);
    if (compositing_) clearMask();
    redraw();
    if (shown) show();
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
    // Without a compositor only the shape shows: only it is made black, so
    // a large box's paint touches its band, not the whole window. The
    // blink's flat inside is set by the painter in one pass.
    const QColor ground = compositing_ ? QColor(Qt::transparent) : QColor(Qt::black);
    p.translate(offset_);
    QRegion under = compositing_ || mask().isEmpty() ? QRegion(rect()) : mask();
    under -= FramePainter::flatInside(p, model_, regionSize_, tagOnTop_);
    p.save();
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    // Rectangle by rectangle rather than through a clip of them all: see fillInBands.
    for (const QRect& part : under) FramePainter::fillInBands(p, part, ground);
    p.restore();
    FramePainter::paint(p, model_, regionSize_, tagOnTop_, ground);
}

namespace {

// Nothing blends the window with the screen: a faint pixel would show as a
// dark one. Only pixels at least a third opaque belong to the shape, so the
// hairlines meant as a shadow and the edges' fringes stay out, while a
// paused frame (drawn at 40 %) keeps its line.
constexpr int leastAlpha = 80;

QRegion opaqueIn(const QImage& drawn) {
    QImage shape(drawn.size(), QImage::Format_MonoLSB);
    shape.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // 1 is Qt::color1: inside
    shape.fill(0);
    for (int y = 0; y < drawn.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        uchar* bits = shape.scanLine(y);
        for (int x = 0; x < drawn.width(); ++x)
            if (qAlpha(row[x]) >= leastAlpha) bits[x >> 3] |= uchar(1u << (x & 7));
    }
    return QRegion(QBitmap::fromImage(shape));
}

}  // namespace

void FrameWindow::updateMask() {
    // Placed but not laid out yet: the shape follows with the layout.
    if (regionSize_.w <= 0 || regionSize_.h <= 0) return;
    // The frame paints a band around its box and, during a blink, the box
    // itself in one flat colour: only the band is drawn and looked at, so a
    // large box costs what a small one does.
    const Rect box = FrameGeometry::boxInView(regionSize_, tagOnTop_);
    const QRect boxPixels =
        QRectF(box.x + offset_.x(), box.y + offset_.y(), box.width, box.height).toAlignedRect();
    // Clear of the lines' corners, their anti-aliasing and the blink's rounded corners.
    const QRect hollow = boxPixels.adjusted(6, 6, -6, -6);
    const QRect all = rect();
    std::vector<QRect> band{all};
    hollow_ = {};
    if (hollow.isValid() && all.contains(hollow)) {
        hollow_ = hollow;
        band = {QRect(QPoint(0, 0), QPoint(all.right(), hollow.top() - 1)),
                QRect(QPoint(0, hollow.bottom() + 1), all.bottomRight()),
                QRect(QPoint(0, hollow.top()), QPoint(hollow.left() - 1, hollow.bottom())),
                QRect(QPoint(hollow.right() + 1, hollow.top()), QPoint(all.right(), hollow.bottom()))};
    }
    // Qt moves a painter's clip region by rounding the shift, a half away
    // from zero: a part drawn at a negative shift would round a half the
    // other way from the window's own drawing. Just past the half both round
    // alike, and draw alike (far below the rasteriser's precision).
    const auto past = [](double v) { return v == 0.5 ? 0.5 + 1e-6 : v; };
    const QPointF shift(past(offset_.x()), past(offset_.y()));
    QRegion shape;
    for (const QRect& part : band) {
        if (part.isEmpty()) continue;
        QImage drawn(part.size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        QPainter p(&drawn);
        p.translate(shift - QPointF(part.topLeft()));
        FramePainter::paint(p, model_, regionSize_, tagOnTop_);
        p.end();
        shape += opaqueIn(drawn).translated(part.topLeft());
    }
    // The blink's fill is flat: its inside is opaque enough everywhere.
    if (model_.flashOn && band.size() > 1) shape += hollow;
    setMask(shape);
}

}  // namespace kestrove
