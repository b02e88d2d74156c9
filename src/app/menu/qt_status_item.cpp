#include "app/menu/qt_status_item.hpp"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "core/copy/copy_status.hpp"

namespace kestrove {

namespace {

// Trays ask for sizes of their own; these cover the common panels.
constexpr int sides[] = {16, 22, 24, 32, 48};

QIcon iconFor(const StatusLook& look, const QColor& ink) {
    QIcon icon;
    for (int side : sides)
        for (qreal dpr : {1.0, 2.0}) icon.addPixmap(QPixmap::fromImage(StatusIcon::render(look, side, dpr, ink)));
    return icon;
}

}  // namespace

QtStatusItem::QtStatusItem(const WindowPlaces& places, TrayLookSource& trayLook)
    : places_(places),
      trayLook_(trayLook),
      ink_(StatusIcon::ink(trayLook.look(), QApplication::palette(), std::nullopt)) {
    // Either button opens and closes the panel, on press; a quick second
    // press arrives as a double click and still counts.
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
            reason == QSystemTrayIcon::DoubleClick) {
            if (auto press = onPress) press();
        }
    });
    icon_.setIcon(iconFor(look_, ink_));
    trayLook_.onChange = [this] { redraw(); };
    // The palette is the last word on the tray's colours; the application
    // hears of its changes, and sees Qt's window of an XEmbed icon shown.
    qApp->installEventFilter(this);
    icon_.setToolTip(QString::fromStdString(Copy::statusItemName(0)));
    icon_.show();
}

QtStatusItem::~QtStatusItem() {
    trayLook_.onChange = nullptr;
    if (iconWindow_) disconnect(iconWindow_, nullptr, this, nullptr);
    trayLook_.followIcon(std::nullopt);
}

void QtStatusItem::setLook(const StatusLook& look) {
    if (look == look_) return;
    look_ = look;
    icon_.setIcon(iconFor(look_, ink_));
}

void QtStatusItem::redraw() {
    const TrayLook look = trayLook_.look();
    if (look.iconOnScreen != judged_) {
        judged_ = look.iconOnScreen;
        if (!judged_)
            ground_.reset();
        else if (const auto ground = groundIn(*judged_))
            ground_ = ground;
    }
    const QColor ink = StatusIcon::ink(look, QApplication::palette(), ground_);
    if (ink == ink_) return;
    ink_ = ink;
    icon_.setIcon(iconFor(look_, ink_));
}

std::optional<double> QtStatusItem::groundIn(const Image& shown) const {
    if (!iconWindow_) return std::nullopt;
    QImage drawn(shown.width, shown.height, QImage::Format_ARGB32_Premultiplied);
    drawn.setDevicePixelRatio(iconWindow_->devicePixelRatioF());
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    // As Qt paints the icon into its window, of the size it had on screen.
    icon_.icon().paint(&painter, QRect(QPoint(0, 0), drawn.deviceIndependentSize().toSize()));
    painter.end();
    return StatusIcon::ground(shown, drawn);
}

void QtStatusItem::follow(QWidget* window) {
    if (window != iconWindow_) {
        if (iconWindow_) disconnect(iconWindow_, nullptr, this, nullptr);
        iconWindow_ = window;
        connect(window, &QObject::destroyed, this, [this] { trayLook_.followIcon(std::nullopt); });
    }
    // A new tray gives the same widget a new native window.
    trayLook_.followIcon(static_cast<std::uint32_t>(window->winId()));
}

bool QtStatusItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) redraw();
    if (event->type() == QEvent::Show && watched->inherits("QSystemTrayIconSys"))
        follow(static_cast<QWidget*>(watched));
    return false;
}

void QtStatusItem::setName(const QString& name) {
    if (icon_.toolTip() != name) icon_.setToolTip(name);
}

// Qt keeps an XEmbed icon's place from when it was embedded, but trays
// move their icons about afterwards (one that grows with its icons shifts
// them all): the place is asked of the display server.
std::optional<QRect> QtStatusItem::geometry() const {
    const QRect known = icon_.geometry();
    if (known.isEmpty()) return std::nullopt;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->inherits("QSystemTrayIconSys") || !w->isVisible()) continue;
        const auto frame = places_.rootFrame(static_cast<std::uint32_t>(w->winId()));
        if (!frame) return known;
        const qreal scale = w->devicePixelRatioF();
        return QRect(qRound(frame->x / scale), qRound(frame->y / scale), qRound(frame->width / scale),
                     qRound(frame->height / scale));
    }
    return known;
}

}  // namespace kestrove
