#include "app/platform/qt/qt_screen_changes.hpp"

#include <QGuiApplication>
#include <QScreen>

namespace kestrove {

QtScreenChanges::QtScreenChanges(std::function<void()> changed, std::chrono::milliseconds settle)
    : changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);
    settle_.setInterval(settle);
    connect(&settle_, &QTimer::timeout, this, [this] { changed_(); });
    if (!qGuiApp) return;
    for (QScreen* screen : QGuiApplication::screens()) follow(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        follow(screen);
        noticed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &QtScreenChanges::noticed);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QtScreenChanges::noticed);
}

void QtScreenChanges::follow(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &QtScreenChanges::noticed);
    connect(screen, &QScreen::availableGeometryChanged, this, &QtScreenChanges::noticed);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &QtScreenChanges::noticed);
    connect(screen, &QScreen::physicalDotsPerInchChanged, this, &QtScreenChanges::noticed);
    connect(screen, &QScreen::orientationChanged, this, &QtScreenChanges::noticed);
}

// Each change starts the wait again, so only the last one of a burst reports.
void QtScreenChanges::noticed() { settle_.start(); }

}  // namespace kestrove
