#pragma once
// The tray panel as a window: frameless, on top, rounded, placed under (or
// above) the tray icon, its height fitted to the content by its controller
// alone. Shown with activation it takes the keyboard and closes itself on
// Escape, on a click elsewhere (in any program, or another window of ours
// taking the focus), and when the screens change; then `onClose` runs.
// Where it can hear clicks elsewhere it holds the keyboard by a grab (taken
// once free, when another program held it at the opening) and never takes
// the activation: the program in front keeps it, and its title bar does not
// change. A click elsewhere while its More menu is open closes both and
// reaches the program clicked, as any click elsewhere does.
// Shown without activation it stays until `close()`, which closes its menus too.

#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "app/menu/menu_model.hpp"
#include "app/platform/pointer_presses.hpp"
#include "core/foundation/geometry.hpp"

class QShortcut;

namespace kestrove {

class MenuView;

class MenuPanelWindow : public QWidget {
public:
    explicit MenuPanelWindow(MenuView* content);
    MenuView* content() const { return content_; }
    static constexpr double radius = 18;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    MenuView* content_;
};

class MenuPanelController : public QObject {
public:
    explicit MenuPanelController(MenuModel& model);
    ~MenuPanelController() override;

    // `anchor`: the tray icon's rectangle in global points (a point-sized
    // one at the pointer when the tray does not tell).
    void show(const Rect& anchor, QScreen* screen, bool activate);
    // The wall's limit for the current screen and update line.
    void fitWall();
    // Hides the panel and stops its closing watchers; `onClose` is not called.
    void close();
    bool isVisible() const;

    // After the panel closed itself.
    std::function<void()> onClose;
    // Whether a global point lies on the tray icon: a focus change while
    // the pointer is there is the icon's own click, which toggles the panel.
    std::function<bool(const QPoint&)> onIcon;
    // Clicks in other programs; without it the panel takes the activation.
    PointerPressesMaker listenForPresses;
    // Whether the panel holds the keyboard without the activation (for the tests).
    bool holdsKeyboard() const { return held_; }

    MenuPanelWindow* window() const { return window_; }
    MenuView* view() const { return view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layout(double height);
    void closeByRule();
    void watch();
    void unwatch();
    void holdKeyboard(int attempt);
    void pressedSomewhere();
    void closeUnlessOurs(const QPoint& pointer);

    MenuModel& model_;
    MenuView* view_;
    MenuPanelWindow* window_;
    QShortcut* escape_;
    QShortcut* hotKey_;
    Rect anchor_;
    QPointer<QScreen> screen_;
    bool watching_ = false;
    bool held_ = false;
    std::unique_ptr<PointerPresses> presses_;
    std::vector<QMetaObject::Connection> watches_;  // held while watching_
};

}  // namespace kestrove
