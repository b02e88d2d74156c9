#include "app/platform/qt_screens.hpp"

#include <QGuiApplication>
#include <QScreen>

namespace kestrove {

namespace {

Rect rect(const QRect& r) { return {double(r.x()), double(r.y()), double(r.width()), double(r.height())}; }

}  // namespace

std::vector<ScreenInfo> QtScreens::screens() const {
    std::vector<ScreenInfo> out;
    QList<QScreen*> list = QGuiApplication::screens();
    // The primary screen is the main one and comes first.
    if (QScreen* primary = QGuiApplication::primaryScreen(); primary && !list.isEmpty() && list.front() != primary) {
        list.removeOne(primary);
        list.prepend(primary);
    }
    for (QScreen* s : list) {
        ScreenInfo info;
        info.name = s->name().toStdString();
        info.displayID = ScreenSpace::displayID(info.name);
        info.frame = rect(s->geometry());
        info.visibleFrame = rect(s->availableGeometry());
        info.scale = s->devicePixelRatio();
        out.push_back(std::move(info));
    }
    return out;
}

}  // namespace kestrove
