#include "app/look/hover_flag.hpp"

#include <QEvent>
#include <QWidget>

namespace kestrove {

HoverFlag::HoverFlag(QWidget* view) : QObject(view), view_(view) { view->installEventFilter(this); }

bool HoverFlag::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        switch (event->type()) {
            case QEvent::Enter: set(true); break;
            // A hidden view gets no leave event; it is not under the pointer either.
            case QEvent::Leave:
            case QEvent::Hide: set(false); break;
            default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void HoverFlag::set(bool on) {
    if (on == on_) return;
    on_ = on;
    view_->update();
    emit changed(on);
}

}  // namespace kestrove
