#include "app/platform/main_thread_executor.hpp"

#include <QCoreApplication>
#include <QMetaObject>

namespace kestrove {

void postTo(QObject* context, std::function<void()> work) {
    if (!context) return;
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

Executor mainThreadExecutor() {
    return [](std::function<void()> work) { postTo(QCoreApplication::instance(), std::move(work)); };
}

}  // namespace kestrove
