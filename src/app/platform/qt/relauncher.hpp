#pragma once
// Starting Kestrove again, as the welcome window's restart button does: a
// small shell script waits until this process has ended (so the new one
// finds the single-instance lock free), then starts the same program with
// the same arguments. This process then quits through its normal shutdown,
// which saves everything.

#include <QString>
#include <QStringList>

namespace kestrove::Relauncher {

// Starts the helper for `program` and `arguments` that waits for `pid`;
// false, with one log line, when it cannot be started.
bool startHelper(const QString& shell, const QString& program, const QStringList& arguments, qint64 pid);

// startHelper for this process, then quit the application; when the helper
// cannot be started the application keeps running.
void relaunch();

}  // namespace kestrove::Relauncher
