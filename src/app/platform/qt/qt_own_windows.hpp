#pragma once
// Tells OwnWindows of every top-level window this process shows, as Qt
// shows it: the panels, menus, overlays, windows and alerts need no line of
// their own. A window stays known after it hides (the X server may still
// show it for a moment, and it may come back) and is let go a second after
// it is destroyed. Frames tell where they paint, so they register themselves:
// a widget with the property `OwnWindows::frameProperty` set is left to them. Main thread.

#include <QObject>

#include <cstdint>
#include <map>

#include "app/platform/own_windows.hpp"

class QWindow;

namespace kestrove {

class QtOwnWindows final : public QObject {
public:
    // Watches every window of the application from now on, and takes in
    // those already shown.
    explicit QtOwnWindows(OwnWindows& into);
    ~QtOwnWindows() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    static OwnWindow::Kind kindOf(const QWindow& window);
    static bool passing(const QWindow& window);

private:
    void take(QWindow* window);

    OwnWindows& into_;
    std::map<QWindow*, std::uint32_t> known_;
};

}  // namespace kestrove
