#include "app/platform/qt/qt_own_windows.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace kestrove {

namespace {

// The tray's XEmbed icon lives inside the tray's window: only its own
// pixels are ours, not the whole tray's.
bool embeddedInTray(const QWidget* widget) { return widget && widget->inherits("QSystemTrayIconSys"); }

}  // namespace

QtOwnWindows::QtOwnWindows(OwnWindows& into) : into_(into) {
    QCoreApplication::instance()->installEventFilter(this);
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->isVisible()) take(w);
}

QtOwnWindows::~QtOwnWindows() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

OwnWindow::Kind QtOwnWindows::kindOf(const QWindow& window) {
    if (window.flags() & Qt::BypassWindowManagerHint) return OwnWindow::Kind::floating;
    switch (window.type()) {
        case Qt::Window: return OwnWindow::Kind::ordinary;
        default: return OwnWindow::Kind::floating;  // tools, dialogs, popups, tooltips
    }
}

bool QtOwnWindows::passing(const QWindow& window) {
    if (window.flags() & Qt::BypassWindowManagerHint) return true;
    switch (window.type()) {
        case Qt::Tool:
        case Qt::Popup:
        case Qt::ToolTip: return true;
        default: return false;  // titled windows and dialogs may stay open for long
    }
}

bool QtOwnWindows::eventFilter(QObject* watched, QEvent* event) {
    // Before Qt asks the server to map it: the window is ours before it shows.
    if (event->type() == QEvent::Show && watched->isWindowType()) take(static_cast<QWindow*>(watched));
    return false;
}

void QtOwnWindows::take(QWindow* window) {
    if (!window || window->parent() || known_.count(window)) return;
    const QWidget* widget = QWidget::find(window->winId());
    if (widget && widget->property(OwnWindows::frameProperty).toBool()) return;
    const auto id = static_cast<std::uint32_t>(window->winId());
    known_.emplace(window, id);
    const bool embedded = embeddedInTray(widget);
    const bool lasting = widget && widget->property(OwnWindows::lastingProperty).toBool();
    into_.set({id, embedded ? OwnWindow::Kind::embedded : kindOf(*window), std::nullopt,
               !embedded && !lasting && passing(*window)});
    connect(window, &QObject::destroyed, this, [this, window] {
        const auto it = known_.find(window);
        if (it == known_.end()) return;
        const std::uint32_t gone = it->second;
        known_.erase(it);
        // The server may show it until it has done the destroying.
        QTimer::singleShot(1000, this, [this, gone] { into_.forget(gone); });
    });
}

}  // namespace kestrove
