#pragma once
// The tray icon through QSystemTrayIcon: a StatusNotifierItem where a
// watcher runs, an XEmbed icon otherwise. With no tray at all it says so in
// the log and appears by itself once a tray starts (the hot key works
// meanwhile).

#include <QObject>
#include <QSystemTrayIcon>

#include "app/menu/status_item.hpp"

namespace kestrove {

class QtStatusItem final : public QObject, public StatusItem {
public:
    QtStatusItem();

    void setLook(const StatusLook& look) override;
    void setName(const QString& name) override;
    std::optional<QRect> geometry() const override;

    QSystemTrayIcon& icon() { return icon_; }

private:
    QSystemTrayIcon icon_;
    StatusLook look_;
};

}  // namespace kestrove
