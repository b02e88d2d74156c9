#pragma once
// The tray icon through QSystemTrayIcon: a StatusNotifierItem where a
// watcher runs, an XEmbed icon otherwise. With no tray at all it says so in
// the log and appears by itself once a tray starts (the hot key works
// meanwhile). Its mark is drawn in the tray's text colour and drawn again
// when the desktop's appearance, the tray's colours, the tray's ground
// around the icon or the palette change.

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include "app/menu/status_item.hpp"
#include "app/platform/tray_look.hpp"
#include "app/platform/window_places.hpp"

namespace kestrove {

class QtStatusItem final : public QObject, public StatusItem {
public:
    // `places` tells where the tray has put the icon, `trayLook` how the tray
    // looks; both outlive the item, which takes `trayLook`'s onChange.
    QtStatusItem(const WindowPlaces& places, TrayLookSource& trayLook);
    ~QtStatusItem() override;

    void setLook(const StatusLook& look) override;
    void setName(const QString& name) override;
    std::optional<QRect> geometry() const override;

    QSystemTrayIcon& icon() { return icon_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void redraw();
    // Qt's window of the icon in an XEmbed tray, shown (again) in a tray.
    void follow(QWidget* window);
    // How light the ground is in `shown`, around the icon as painted there.
    std::optional<double> groundIn(const Image& shown) const;

    const WindowPlaces& places_;
    TrayLookSource& trayLook_;
    QSystemTrayIcon icon_;
    StatusLook look_;
    QColor ink_;
    QPointer<QWidget> iconWindow_;
    SharedImage judged_;             // the last picture of the icon's window judged
    std::optional<double> ground_;   // kept while a picture cannot tell
};

}  // namespace kestrove
