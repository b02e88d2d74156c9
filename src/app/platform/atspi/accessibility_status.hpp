#pragma once
// Whether the session lets programs be read through accessibility: the
// accessibility bus answers and its org.a11y.Status.IsEnabled is true.
// Toolkits and browsers join the bus only while IsEnabled is true, so asking
// the user's leave to read windows sets it. Asked over the session bus, never
// through libatspi (which aborts the process when there is no such bus).
// The one place that reads and writes the flag, blocking or not.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

namespace kestrove::AccessibilityStatus {

// A call to the bus launcher waits this long at most.
inline constexpr int timeoutMs = 1000;

// The calls that read and set the flag.
QDBusMessage askEnabled();
QDBusMessage askToSet(bool on);

// The flag in a value the launcher gave (a Get's answer or a change it
// announced, in a D-Bus variant or not): on only for a boolean true. Any
// other type is a launcher we do not understand, whose programs may never
// have been told to join: not enabled.
bool isOn(const QVariant& value);
// The flag in the answer to askEnabled(); an error is not enabled.
bool enabledIn(const QDBusMessage& reply);

// Blocking, for callers off the main thread and for tests.
bool enabled(QDBusConnection session = QDBusConnection::sessionBus());
// Turns it on (or off); true when the bus launcher took the new value.
bool setEnabled(bool on, QDBusConnection session = QDBusConnection::sessionBus());

}  // namespace kestrove::AccessibilityStatus
