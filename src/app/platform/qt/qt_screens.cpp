#include "app/platform/qt/qt_screens.hpp"

#include <QGuiApplication>
#include <QObject>
#include <QScreen>

namespace kestrove {

namespace {

Rect rect(const QRect& r) { return {double(r.x()), double(r.y()), double(r.width()), double(r.height())}; }

std::vector<ScreenInfo> readScreens() {
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

}  // namespace

QtScreens::QtScreens() : context_(std::make_unique<QObject>()) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::screenAdded, context_.get(), [this](QScreen* s) {
            follow(s);
            refresh();
        });
        QObject::connect(app, &QGuiApplication::screenRemoved, context_.get(), [this] { refresh(); });
        QObject::connect(app, &QGuiApplication::primaryScreenChanged, context_.get(), [this] { refresh(); });
        for (QScreen* s : QGuiApplication::screens()) follow(s);
    }
    refresh();
}

QtScreens::~QtScreens() = default;

void QtScreens::follow(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, context_.get(), [this] { refresh(); });
    QObject::connect(screen, &QScreen::availableGeometryChanged, context_.get(), [this] { refresh(); });
    // The pixel ratio follows the logical resolution.
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, context_.get(), [this] { refresh(); });
}

void QtScreens::refresh() {
    auto fresh = readScreens();
    std::lock_guard lock(mutex_);
    list_ = std::move(fresh);
}

std::vector<ScreenInfo> QtScreens::screens() const {
    std::lock_guard lock(mutex_);
    return list_;
}

}  // namespace kestrove
