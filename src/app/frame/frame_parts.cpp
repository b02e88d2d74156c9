#include "app/frame/frame_parts.hpp"

#include <QBitmap>
#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "app/frame/frame_painter.hpp"
#include "app/look/brand.hpp"

namespace kestrove {

namespace {

constexpr int narrowingDelayMs = 300;

constexpr auto partFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus;

bool covers(const std::vector<Rect>& outer, const Rect& r) {
    return std::any_of(outer.begin(), outer.end(), [&](const Rect& o) { return o.contains(r); });
}

// Nothing blends a window without a compositor with the screen: a faint
// pixel would show as a dark one. Only pixels at least a third opaque belong
// to the shape, so the hairlines meant as a shadow and the edges' fringes
// stay out, while a paused frame (drawn at 40 %) keeps its line.
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

void PaintedTeller::tell(std::uint32_t id, const std::vector<Rect>& now) {
    if (!own_ || (now == told_ && registered_)) return;
    registered_ = true;
    const bool wider = std::all_of(told_.begin(), told_.end(), [&](const Rect& r) { return covers(now, r); });
    if (wider) {
        told_ = now;
        ++telling_;
        own_->set({id, OwnWindow::Kind::frame, told_});
        return;
    }
    // Both for a moment, then only the new drawing.
    std::vector<Rect> both = now;
    for (const Rect& r : told_)
        if (!covers(now, r)) both.push_back(r);
    own_->set({id, OwnWindow::Kind::frame, both});
    told_ = std::move(both);
    const int mine = ++telling_;
    QTimer::singleShot(narrowingDelayMs, context_, [this, mine, id, now] {
        if (mine != telling_) return;
        told_ = now;
        own_->set({id, OwnWindow::Kind::frame, told_});
    });
}

void PaintedTeller::forgetSoon(std::uint32_t id) {
    if (!own_ || !registered_) return;
    QTimer::singleShot(1000, QCoreApplication::instance(), [own = own_, id] { own->forget(id); });
    registered_ = false;
    told_.clear();
    ++telling_;
}

FrameBand::FrameBand(const FrameDrawing& drawing, std::shared_ptr<OwnWindows> own)
    : QWidget(nullptr, partFlags), drawing_(drawing), teller_(std::move(own), this) {
    // Ours, but registered here with where it paints rather than as a whole window.
    setProperty(OwnWindows::frameProperty, true);
    // Translucent only for a compositor. Without one the X server would
    // compose a translucent window itself, over black, copying the whole
    // window at each show and paint: an opaque window painted as if over
    // black shows the same through its shape.
    setAttribute(Qt::WA_TranslucentBackground, drawing_.compositing);
    // Every pixel it shows is painted: nothing is filled first.
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Kestrove frame"));
}

FrameBand::~FrameBand() {
    if (made()) teller_.forgetSoon(windowId());
}

void FrameBand::place(const QRect& part, QPoint corner) {
    const bool resized = part.size() != part_.size();
    part_ = part;
    QWidget::setGeometry(QRect(corner + part.topLeft(), part.size()));
    if (resized) update();
}

void FrameBand::redraw(const std::vector<Rect>& painted) {
    if (!drawing_.compositing) updateMask();
    tellWherePainted(painted);
    // At once, and small: a blink's fill window shows right after, and the
    // band's part of the fill must come with it, not a moment later.
    if (isVisible()) repaint();
}

void FrameBand::tellWherePainted(const std::vector<Rect>& painted) {
    if (part_.isEmpty() || !teller_.listening()) return;
    const Rect mine{double(part_.x()), double(part_.y()), double(part_.width()), double(part_.height())};
    std::vector<Rect> here;
    for (const Rect& r : painted)
        if (auto in = r.intersection(mine)) here.push_back(in->offsetBy(-mine.x, -mine.y));
    teller_.tell(windowId(), here);
}

void FrameBand::remake() {
    if (made()) {
        QWidget::hide();
        teller_.forgetSoon(windowId());
        destroy();
    }
    setAttribute(Qt::WA_TranslucentBackground, drawing_.compositing);
    if (drawing_.compositing) clearMask();
}

void FrameBand::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (drawing_.compositing) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        p.save();
        if (!mask().isEmpty()) p.setClipRegion(mask());
        p.fillRect(rect(), Qt::black);
        p.restore();
    }
    p.translate(drawing_.shift - QPointF(part_.topLeft()));
    FramePainter::paint(p, drawing_.model, drawing_.regionSize, drawing_.tagOnTop);
}

void FrameBand::updateMask() {
    if (part_.isEmpty()) return;
    QImage drawn(part_.size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    p.translate(drawing_.shift - QPointF(part_.topLeft()));
    FramePainter::paint(p, drawing_.model, drawing_.regionSize, drawing_.tagOnTop);
    p.end();
    const QRegion shape = opaqueIn(drawn);
    // An empty mask would show the whole band: a pixel nobody sees stands in.
    setMask(shape.isEmpty() ? QRegion(0, 0, 1, 1) : shape);
}

FrameFill::FrameFill(bool compositing, const PaintBackground& background, std::shared_ptr<OwnWindows> own)
    : teller_(std::move(own), this) {
    setFlags(partFlags);
    setTitle(QStringLiteral("Kestrove frame"));
    QSurfaceFormat format;
    format.setAlphaBufferSize(compositing ? 8 : 0);
    setFormat(format);
    create();
    if (background) background(windowId(), pixel(compositing));
}

FrameFill::~FrameFill() { teller_.forgetSoon(windowId()); }

void FrameFill::tellWherePainted(bool flashing) {
    std::vector<Rect> all;
    if (flashing) all.push_back({0, 0, double(width()), double(height())});
    teller_.tell(windowId(), all);
}

std::uint32_t FrameFill::pixel(bool compositing) {
    // The painter's blink fill: the signal red at 45 %.
    QColor c = Brand::signal();
    c.setAlphaF(0.45f);
    const QRgb p = qPremultiply(c.rgba());
    return compositing ? std::uint32_t(p) : std::uint32_t(p & 0xffffffu);
}

}  // namespace kestrove
