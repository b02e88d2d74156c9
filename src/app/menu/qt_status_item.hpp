#pragma once
// The tray icon through QSystemTrayIcon: a StatusNotifierItem where a
// watcher runs, an XEmbed icon otherwise. With no tray at all it says so in
// the log and appears by itself once a tray starts (the hot key works
// meanwhile).

#include <QObject>
#include <QSystemTrayIcon>

#include "app/menu/status_item.hpp"
#include "app/platform/window_places.hpp"

namespace kestrove {

class QtStatusItem final : public QObject, public StatusItem {
public:
    // `places` tells where the tray has put the icon; it outlives the item.
    explicit QtStatusItem(const WindowPlaces& places);

    void setLook(const StatusLook& look) override;
    void setName(const QString& name) override;
    std::optional<QRect> geometry() const override;

    QSystemTrayIcon& icon() { return icon_; }

private:
    const WindowPlaces& places_;
    QSystemTrayIcon icon_;
    StatusLook look_;
};

}  // namespace kestrove
