#include "app/menu/qt_status_item.hpp"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include "core/copy/copy_status.hpp"
#include "core/foundation/log.hpp"

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
    : places_(places), trayLook_(trayLook), ink_(StatusIcon::ink(trayLook.look(), QApplication::palette())) {
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
    // hears of its changes.
    qApp->installEventFilter(this);
    icon_.setToolTip(QString::fromStdString(Copy::statusItemName(0)));
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine("no system tray runs yet; the icon appears once one starts, and Alt+Shift+B works meanwhile");
    icon_.show();
}

QtStatusItem::~QtStatusItem() { trayLook_.onChange = nullptr; }

void QtStatusItem::setLook(const StatusLook& look) {
    if (look == look_) return;
    look_ = look;
    icon_.setIcon(iconFor(look_, ink_));
}

void QtStatusItem::redraw() {
    const QColor ink = StatusIcon::ink(trayLook_.look(), QApplication::palette());
    if (ink == ink_) return;
    ink_ = ink;
    icon_.setIcon(iconFor(look_, ink_));
}

bool QtStatusItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) redraw();
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
