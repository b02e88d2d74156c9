#pragma once
// Waiting for a D-Bus answer without blocking: the answer is handed over on
// the thread of `context`, and never once `context` is gone.

#include <QDBusMessage>
#include <QDBusPendingCall>

#include <functional>

class QObject;

namespace kestrove {

void whenAnswered(const QDBusPendingCall& call, QObject* context, std::function<void(const QDBusMessage&)> done);

// The first argument of a method reply, or an invalid QVariant for an error.
QVariant firstArgument(const QDBusMessage& reply);

}  // namespace kestrove
