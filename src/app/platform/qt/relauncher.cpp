#include "app/platform/qt/relauncher.hpp"

#include <QCoreApplication>
#include <QProcess>

#include "core/foundation/log.hpp"

namespace kestrove::Relauncher {

namespace {

// $0 is the program, $1 the process to wait for, the rest its arguments.
const char* const script =
    "pid=\"$1\"; shift; while kill -0 \"$pid\" 2>/dev/null; do sleep 0.1; done; exec \"$0\" \"$@\"";

}  // namespace

bool startHelper(const QString& shell, const QString& program, const QStringList& arguments, qint64 pid) {
    QProcess helper;
    helper.setProgram(shell);
    helper.setArguments(QStringList{QStringLiteral("-c"), QLatin1String(script), program, QString::number(pid)} + arguments);
    helper.setStandardInputFile(QProcess::nullDevice());
    if (helper.startDetached()) return true;
    logLine("could not start the restart helper (" + helper.errorString().toStdString() + ")");
    return false;
}

void relaunch() {
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (startHelper(QStringLiteral("/bin/sh"), QCoreApplication::applicationFilePath(), arguments,
                    QCoreApplication::applicationPid()))
        QCoreApplication::quit();
}

}  // namespace kestrove::Relauncher
