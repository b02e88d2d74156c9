#include "app/menu/wall_parts.hpp"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"
#include "app/look/appearance.hpp"
#include "app/menu/menu_ink.hpp"
#include "app/menu/window_style.hpp"
#include "app/menu/monitor_face.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "core/menu/menu_layout.hpp"

namespace kestrove {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QFont hotKeyFont() {
    QFont f = Brand::font(13);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    return f;
}

// "New Watch…", 10 points, then the hot key, centred in `rect`.
void paintNewWatchLabel(QPainter& p, const QRectF& rect, const QColor& title, const QColor& key) {
    const QFont strong = Brand::font(13, QFont::DemiBold), keyFont = hotKeyFont();
    const QFontMetricsF ms(strong), mk(keyFont);
    const QString a = qs(Copy::menuNewWatch), b = qs(Copy::menuHotKey);
    const double w = ms.horizontalAdvance(a) + 10 + mk.horizontalAdvance(b);
    const double x = rect.center().x() - w / 2;
    const double baseline = rect.center().y() + (ms.ascent() - ms.descent()) / 2;
    p.setFont(strong);
    p.setPen(title);
    p.drawText(QPointF(x, baseline), a);
    p.setFont(keyFont);
    p.setPen(key);
    p.drawText(QPointF(x + ms.horizontalAdvance(a) + 10, baseline), b);
}

void paintFocus(QPainter& p, const QRectF& rect, double radius) {
    p.setPen(QPen(Brand::signal(), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

constexpr double freeStackWidth = 264;

// The invitation's lines, centred, 2 points apart, laid out for the stack's width.
void layOutBody(QTextLayout& layout) {
    layout.setFont(Brand::font(13));
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(freeStackWidth);
        line.setPosition(QPointF(0, y));
        y += line.height() + 2;
    }
    layout.endLayout();
}

}  // namespace

FreeButton::FreeButton(QWidget* parent) : QAbstractButton(parent) {
    setAccessibleName(qs(Copy::menuNewWatchSpoken));
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

QSize FreeButton::sizeHint() const {
    const double w = QFontMetricsF(Brand::font(13, QFont::DemiBold)).horizontalAdvance(qs(Copy::menuNewWatch)) + 10 +
                     QFontMetricsF(hotKeyFont()).horizontalAdvance(qs(Copy::menuHotKey)) + 24;
    return {static_cast<int>(std::ceil(w)), 28};
}

bool FreeButton::hitButton(const QPoint& pos) const {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 7, 7);
    return shape.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void FreeButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 7, 7);
    p.fillPath(shape, isDown() ? QColor(225, 225, 228) : QColor(Qt::white));
    paintNewWatchLabel(p, QRectF(rect()), MenuInk::ink(), QColor(92, 92, 97));
    if (hasFocus()) paintFocus(p, QRectF(rect()), 7);
}

FreeMonitor::FreeMonitor(std::function<void()> action, QWidget* parent)
    : QWidget(parent), button_(new FreeButton(this)) {
    setFixedSize(static_cast<int>(MenuLayout::wallWidth), static_cast<int>(MenuLayout::free));
    setAccessibleName(qs(Copy::menuEmptyTitle));
    setAccessibleDescription(qs(Copy::menuEmptyBody));
    connect(button_, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

double FreeMonitor::bodyHeight() const {
    QTextLayout layout(qs(Copy::menuEmptyBody));
    layOutBody(layout);
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    return last.y() + last.height();
}

// The title, the invitation 6 below it and the button 16 below that, centred as one stack.
double FreeMonitor::stackTop() const {
    const double title = QFontMetricsF(Brand::font(17, QFont::DemiBold)).height();
    return (height() - (title + 6 + bodyHeight() + 16 + 28)) / 2;
}

void FreeMonitor::resizeEvent(QResizeEvent*) {
    const double title = QFontMetricsF(Brand::font(17, QFont::DemiBold)).height();
    const double top = stackTop() + title + 6 + bodyHeight() + 16;
    button_->move((width() - button_->width()) / 2, static_cast<int>(std::lround(top)));
}

void FreeMonitor::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF card(rect());
    MonitorFace::paintBody(p, card, Appearance::isDark(palette()));
    MonitorFace::paintCorners(p, card, MonitorFace::freeCorners, Qt::white);
    const QFont titleFont = Brand::font(17, QFont::DemiBold);
    const double top = stackTop(), titleHeight = QFontMetricsF(titleFont).height();
    p.setFont(titleFont);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, top, width(), titleHeight), Qt::AlignCenter, qs(Copy::menuEmptyTitle));
    QTextLayout body(qs(Copy::menuEmptyBody));
    layOutBody(body);
    p.setPen(QColor::fromRgbF(1, 1, 1, 0.66f));
    body.draw(&p, QPointF((width() - freeStackWidth) / 2, top + titleHeight + 6));
}

NewWatchTile::NewWatchTile(std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), hover_(new HoverFlag(this)) {
    setAccessibleName(qs(Copy::menuNewWatchSpoken));
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(static_cast<int>(MenuLayout::wallWidth), static_cast<int>(MenuLayout::slot));
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

bool NewWatchTile::hovered() const { return hover_->on(); }

QColor NewWatchTile::fill(bool dark, bool hovered) {
    const float alpha = dark ? (hovered ? 0.11f : 0.07f) : (hovered ? 0.08f : 0.05f);
    return dark ? QColor::fromRgbF(1, 1, 1, alpha) : QColor::fromRgbF(0, 0, 0, alpha);
}

bool NewWatchTile::hitButton(const QPoint& pos) const {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    return shape.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void NewWatchTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    QPainterPath shape;
    shape.addRoundedRect(r, 8, 8);
    p.fillPath(shape, fill(Appearance::isDark(palette()), hovered()));
    const QColor text = palette().color(QPalette::WindowText);
    MonitorFace::paintCorners(p, r, MonitorFace::tileCorners, text);
    paintNewWatchLabel(p, r, text, WindowStyle::secondary(palette()));
    if (hasFocus()) paintFocus(p, r, 8);
}

ScrollIndicator::ScrollIndicator(QScrollBar* bar, QWidget* parent) : QWidget(parent), bar_(bar) {
    connect(bar, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
    connect(bar, &QScrollBar::rangeChanged, this, qOverload<>(&QWidget::update));
}

QRectF ScrollIndicator::thumb() const {
    if (!bar_ || bar_->maximum() <= bar_->minimum()) return {};
    const double total = bar_->maximum() - bar_->minimum() + bar_->pageStep();
    const double h = std::max(height() * bar_->pageStep() / total, 24.0);
    const double y = (height() - h) * (bar_->value() - bar_->minimum()) / (bar_->maximum() - bar_->minimum());
    return {1, y + 2, width() - 3.0, h - 4};
}

void ScrollIndicator::paintEvent(QPaintEvent*) {
    const QRectF t = thumb();
    if (t.isEmpty()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.3f), 1));
    p.setBrush(QColor::fromRgbF(1, 1, 1, 0.55f));
    p.drawRoundedRect(t, t.width() / 2, t.width() / 2);
}

void ScrollIndicator::scrollTo(double y) {
    const QRectF t = thumb();
    if (!bar_ || t.isEmpty() || height() <= t.height()) return;
    const double at = std::clamp((y - grab_) / (height() - t.height() - 4), 0.0, 1.0);
    bar_->setValue(bar_->minimum() + static_cast<int>(std::lround(at * (bar_->maximum() - bar_->minimum()))));
}

void ScrollIndicator::mousePressEvent(QMouseEvent* event) {
    const QRectF t = thumb();
    const double y = event->position().y();
    grab_ = t.contains(QPointF(t.center().x(), y)) ? y - t.top() : t.height() / 2;
    scrollTo(y);
}

void ScrollIndicator::mouseMoveEvent(QMouseEvent* event) { scrollTo(event->position().y()); }

}  // namespace kestrove
