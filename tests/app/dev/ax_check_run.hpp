#pragma once
// Runs the accessibility check as its own process, as a developer would,
// and gives back its exit code and the lines of its report.

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/app/desktop_fixture.hpp"

namespace kestrove::axcheck {

struct Outcome {
    int code = -1;  // -1: it did not end in time
    std::vector<std::string> lines;
    bool ready = false;  // the follow mode's "ready" file was written
};

// `more`: the arguments after the folder. The tick is one second.
// `whenReady` runs once the follow mode says it is ready.
inline Outcome check(const QStringList& more, int timeoutMs,
                     QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
                     std::function<void()> whenReady = {}) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/report");
    env.insert(QStringLiteral("KESTROVE_AX_TICK"), QStringLiteral("1"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral(KESTROVE_APP), QStringList{QStringLiteral("--ax-check"), folder} + more);
    Outcome out;
    if (!p.waitForStarted(10000)) return out;
    const bool ended = desktop::waitFor(
        [&] {
            if (whenReady && QFileInfo::exists(folder + QStringLiteral("/ready"))) std::exchange(whenReady, nullptr)();
            return p.state() == QProcess::NotRunning;
        },
        timeoutMs);
    if (!ended) {
        p.kill();
        p.waitForFinished(3000);
        return out;
    }
    out.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    std::ifstream report((folder + QStringLiteral("/report.txt")).toStdString());
    for (std::string line; std::getline(report, line);) out.lines.push_back(line);
    out.ready = std::ifstream((folder + QStringLiteral("/ready")).toStdString()).good();
    return out;
}

}  // namespace kestrove::axcheck
