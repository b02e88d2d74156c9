#include "app/menu/monitor_cards.hpp"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"
#include "app/look/appearance.hpp"
#include "app/menu/menu_ink.hpp"
#include "app/menu/monitor_face.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "core/menu/menu_layout.hpp"

namespace kestrove {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::array<MonitorAction, 2> monitorActions(WatchStatus status) {
    switch (status) {
        case WatchStatus::watching:
        case WatchStatus::lostSight:
            return {{{ActionGlyph::pause, Copy::menuPause, &MenuModel::onPause},
                     {ActionGlyph::cross, Copy::menuStopWatching, &MenuModel::onRemove}}};
        case WatchStatus::paused:
            return {{{ActionGlyph::play, Copy::menuResume, &MenuModel::onResume},
                     {ActionGlyph::cross, Copy::menuStopWatching, &MenuModel::onRemove}}};
        case WatchStatus::finished: break;
    }
    return {{{ActionGlyph::again, Copy::menuWatchAgain, &MenuModel::onWatchAgain},
             {ActionGlyph::cross, Copy::menuRemove, &MenuModel::onRemove}}};
}

MonitorCard::MonitorCard(MenuModel& model, RoundButton::Look look, int readSize, QWidget* parent)
    : QWidget(parent), model_(&model), readSize_(readSize) {
    for (auto& b : buttons_) b = new RoundButton(ActionGlyph::pause, {}, look, this);
}

void MonitorCard::show(const MenuModel::Monitor& monitor, const QImage& picture, Size feed) {
    const bool changed = !(monitor == monitor_) || picture.cacheKey() != picture_.cacheKey() || !(feed == feed_);
    monitor_ = monitor;
    picture_ = picture;
    feed_ = feed;
    const auto actions = monitorActions(monitor.status);
    for (std::size_t i = 0; i < actions.size(); ++i) {
        // Each press reads the model's callback when it runs.
        buttons_[i]->setAction(actions[i].glyph, qs(actions[i].label),
                               [model = model_, callback = actions[i].callback, id = monitor.id] {
                                   if (model) MenuModel::call((*model).*callback, id);
                               });
    }
    const bool chip = monitor.status == WatchStatus::finished && monitor.read;
    if (chip && !read_) {
        read_ = new ReadChip(qs(*monitor.read), readSize_, this);
        read_->show();
    } else if (chip) {
        read_->setText(qs(*monitor.read));
    } else if (read_) {
        delete read_;
        read_ = nullptr;
    }
    const QString name = qs(monitor.sentence) + QStringLiteral(", ") + qs(monitor.line).toLower();
    if (accessibleName() != name) setAccessibleName(name);
    arrange();
    if (changed) update();
}

const QImage& MonitorCard::scaledPicture() {
    if (picture_.isNull()) return picture_;
    const qreal dpr = devicePixelRatioF();
    const QSize want(static_cast<int>(std::lround(feed_.w * dpr)), static_cast<int>(std::lround(feed_.h * dpr)));
    if (scaledKey_ != picture_.cacheKey() || scaledSize_ != want) {
        scaled_ = picture_.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_.setDevicePixelRatio(dpr);
        scaledKey_ = picture_.cacheKey();
        scaledSize_ = want;
    }
    return scaled_;
}

void MonitorCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    MonitorFace::paintBody(p, QRectF(rect()), Appearance::isDark(palette()));
    MonitorFace::paintFeed(p, feedRect(), scaledPicture(), monitor_.status);
    paintParts(p);
}

// Large: a top row with the tag and both buttons, the picture, the caption.

LargeMonitor::LargeMonitor(MenuModel& model, QWidget* parent)
    : MonitorCard(model, RoundButton::Look::onMonitor, 14, parent) {}

QRectF LargeMonitor::feedRect() const {
    return {(MenuLayout::wallWidth - feed_.w) / 2, MenuLayout::largeTop + MenuLayout::largeFeedGap, feed_.w, feed_.h};
}

QRectF LargeMonitor::tagRect() const {
    // Insets 14 and 12; the row's spacing 4 and the flexible space at least 8.
    const double limit = MenuLayout::wallWidth - 14 - 12 - 2 * 24 - 3 * 4 - 8;
    return {14, 12 + (24 - MonitorFace::tagHeight) / 2, MonitorFace::tagWidth(qs(monitor_.line), limit),
            MonitorFace::tagHeight};
}

void LargeMonitor::arrange() {
    const int height = static_cast<int>(MenuLayout::largeHeight(feed_));
    if (size() != QSize(static_cast<int>(MenuLayout::wallWidth), height))
        setFixedSize(static_cast<int>(MenuLayout::wallWidth), height);
    const int right = static_cast<int>(MenuLayout::wallWidth) - 12;
    buttons_[1]->move(right - 24, 12);
    buttons_[0]->move(right - 24 - 4 - 24, 12);
    if (read_) {
        const double rowTop = feedRect().bottom();
        read_->move(right + 12 - 14 - read_->width(),
                    static_cast<int>(std::lround(rowTop + (MenuLayout::largeCaption - read_->height()) / 2)));
    }
}

void LargeMonitor::paintParts(QPainter& p) {
    MonitorFace::paintTag(p, tagRect(), qs(monitor_.line), monitor_.muted);
    const double rowTop = feedRect().bottom();
    double right = MenuLayout::wallWidth - 14;
    if (read_) {
        // "Read" beside the chip, never squeezed.
        const QFont font = Brand::font(12);
        const QString word = qs(Copy::menuRead);
        const double w = QFontMetricsF(font).horizontalAdvance(word);
        const QRectF at(read_->x() - 6 - w, rowTop, w, MenuLayout::largeCaption);
        p.setPen(MenuInk::dim());
        MonitorFace::paintFitted(p, at, font, word, 1, Qt::AlignLeft);
        right = at.left() - 10;
    }
    MonitorFace::paintCaption(p, QRectF(14, rowTop, right - 14, MenuLayout::largeCaption),
                              {monitor_.status, qs(monitor_.sentence), qs(monitor_.woof)}, 14, 1);
}

// Small: the tag (and the read chip), the picture mat with the buttons over
// it, two lines of caption.

SmallMonitor::SmallMonitor(MenuModel& model, QWidget* parent)
    : MonitorCard(model, RoundButton::Look::onPicture, 13, parent), hover_(new HoverFlag(this)) {
    setFixedSize(static_cast<int>(MenuLayout::smallWidth), static_cast<int>(MenuLayout::smallHeight));
    connect(hover_, &HoverFlag::changed, this, [this] { updateVeil(); });
    for (RoundButton* b : buttons_) b->installEventFilter(this);
    updateVeil();
}

// QWidget's destructor deletes the buttons first, and a button under the
// pointer sends the card a Leave as it goes: the veil must not hear it.
SmallMonitor::~SmallMonitor() {
    disconnect(hover_, nullptr, this, nullptr);
    for (RoundButton* b : buttons_) b->removeEventFilter(this);
}

QRectF SmallMonitor::feedRect() const {
    const double matTop = MenuLayout::smallTop + MenuLayout::smallMatGap;
    return {(MenuLayout::smallWidth - feed_.w) / 2, matTop + (MenuLayout::smallMat - feed_.h) / 2, feed_.w, feed_.h};
}

QRectF SmallMonitor::tagRect() const {
    double limit = MenuLayout::smallWidth - 12 - 10 - 6;
    if (read_) limit -= 6 + read_->width();
    return {12, 10, MonitorFace::tagWidth(qs(monitor_.tag), limit), MonitorFace::tagHeight};
}

bool SmallMonitor::hovered() const { return hover_->on(); }

bool SmallMonitor::buttonsShown() const {
    const bool focused = buttons_[0]->hasFocus() || buttons_[1]->hasFocus();
    return hovered() || focused || (model_ && model_->revealed() == monitor_.id);
}

void SmallMonitor::updateVeil() {
    const bool shown = buttonsShown();
    for (RoundButton* b : buttons_) b->setVeiled(!shown);
}

bool SmallMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // After the focus has moved.
        postTo(this, [this] { updateVeil(); });
    }
    return QWidget::eventFilter(watched, event);
}

void SmallMonitor::arrange() {
    if (toolTip() != qs(monitor_.line)) setToolTip(qs(monitor_.line));
    const double matTop = MenuLayout::smallTop + MenuLayout::smallMatGap;
    const int x = static_cast<int>((MenuLayout::smallWidth - 2 * 30 - 8) / 2);
    const int y = static_cast<int>(matTop + (MenuLayout::smallMat - 30) / 2);
    buttons_[0]->move(x, y);
    buttons_[1]->move(x + 30 + 8, y);
    if (read_) read_->move(static_cast<int>(MenuLayout::smallWidth) - 10 - read_->width(), 10);
    updateVeil();
}

void SmallMonitor::paintParts(QPainter& p) {
    MonitorFace::paintTag(p, tagRect(), qs(monitor_.tag), monitor_.muted);
    const double top = MenuLayout::smallTop + MenuLayout::smallMatGap + MenuLayout::smallMat + 8;
    MonitorFace::paintCaption(p, QRectF(12, top, MenuLayout::smallWidth - 24, MenuLayout::smallCaption - 8),
                              {monitor_.status, qs(monitor_.sentence), qs(monitor_.woof)}, 12, 2);
}

}  // namespace kestrove
