#include "app/platform/main_thread_executor.hpp"

#include <QCoreApplication>
#include <QMetaObject>

namespace kestrove {

Executor mainThreadExecutor() {
    return [](std::function<void()> work) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
    };
}

}  // namespace kestrove
