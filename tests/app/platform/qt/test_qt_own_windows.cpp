// Which of the process's windows OwnWindows learns of, and as what, from Qt
// alone: no window needs to register itself.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>

#include <memory>

#include "app/platform/qt/qt_own_windows.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

std::optional<OwnWindow> entry(const OwnWindows& own, const QWidget& w) {
    for (const OwnWindow& o : *own.all())
        if (o.id == static_cast<std::uint32_t>(w.winId())) return o;
    return std::nullopt;
}

TEST(QtOwnWindows, EveryShownTopLevelWindowIsOursWithItsKindAndFramesAreLeftToThemselves) {
    offscreen::app();
    OwnWindows own;
    QtOwnWindows watcher(own);
    using K = OwnWindow::Kind;
    struct Case {
        const char* name;
        std::function<QWidget*()> make;
        std::optional<K> kind;  // none: not registered by the watcher
        bool passing = false;   // shows only for a moment
    };
    const Case cases[] = {
        {"an ordinary window", [] { return new QWidget(); }, K::ordinary},
        {"a panel", [] { return new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint); }, K::floating, true},
        {"a panel that may stay open (the new-watch panel)", [] {
             auto* w = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint);
             w->setProperty(OwnWindows::lastingProperty, true);
             return w;
         }, K::floating},
        {"an overlay bypassing the window manager",
         [] { return new QWidget(nullptr, Qt::Window | Qt::X11BypassWindowManagerHint); }, K::floating, true},
        {"an alert", [] { return new QMessageBox(QMessageBox::Warning, "Kestrove", "Something"); }, K::floating},
        {"a menu", [] { return new QMenu(); }, K::floating, true},
        {"a frame", [] {
             auto* w = new QWidget(nullptr, Qt::Tool);
             w->setProperty(OwnWindows::frameProperty, true);
             return w;
         }, std::nullopt},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QWidget> w(c.make());
        w->resize(120, 40);
        EXPECT_FALSE(entry(own, *w)) << c.name << ": not before it shows";
        w->show();
        const auto e = entry(own, *w);
        EXPECT_EQ(e ? std::optional(e->kind) : std::nullopt, c.kind) << c.name;
        if (e) {
            EXPECT_FALSE(e->painted) << c.name << ": its whole window";
            EXPECT_EQ(e->passing, c.passing) << c.name;
        }
        w->hide();
        EXPECT_EQ(entry(own, *w).has_value(), c.kind.has_value()) << c.name << ": still ours while hidden";
        const auto id = static_cast<std::uint32_t>(w->winId());
        w.reset();
        if (!c.kind) continue;
        EXPECT_TRUE(own.isOurs(id)) << c.name << ": the server may still show it a moment";
        QElapsedTimer t;
        t.start();
        while (own.isOurs(id) && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(own.isOurs(id)) << c.name << ": let go once destroyed";
        EXPECT_GE(t.elapsed(), 900) << c.name;
    }
}

}  // namespace
}  // namespace kestrove
