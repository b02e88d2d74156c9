#include "app/menu/qt_status_item.hpp"

#include <QApplication>
#include <QPalette>
#include <QIcon>
#include <QPixmap>

#include "core/copy/copy_status.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

// Trays ask for sizes of their own; these cover the common panels.
constexpr int sides[] = {16, 22, 24, 32, 48};

QIcon iconFor(const StatusLook& look) {
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    QIcon icon;
    for (int side : sides)
        for (qreal dpr : {1.0, 2.0}) icon.addPixmap(QPixmap::fromImage(StatusIcon::render(look, side, dpr, ink)));
    return icon;
}

}  // namespace

QtStatusItem::QtStatusItem() {
    // Either button opens and closes the panel, on press; a quick second
    // press arrives as a double click and still counts.
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
            reason == QSystemTrayIcon::DoubleClick) {
            if (auto press = onPress) press();
        }
    });
    icon_.setIcon(iconFor(look_));
    icon_.setToolTip(QString::fromStdString(Copy::statusItemName(0)));
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine("no system tray runs yet; the icon appears once one starts, and Alt+Shift+B works meanwhile");
    icon_.show();
}

void QtStatusItem::setLook(const StatusLook& look) {
    if (look == look_) return;
    look_ = look;
    icon_.setIcon(iconFor(look));
}

void QtStatusItem::setName(const QString& name) {
    if (icon_.toolTip() != name) icon_.setToolTip(name);
}

std::optional<QRect> QtStatusItem::geometry() const {
    const QRect r = icon_.geometry();
    if (r.isEmpty()) return std::nullopt;
    return r;
}

}  // namespace kestrove
