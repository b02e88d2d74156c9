#pragma once
// The accessibility check's handle on its test stage: a second process of
// this executable ("--ax-stage") driven through its standard input, whose
// first line names its window. Whatever way the check ends (a normal end,
// an error, SIGTERM or SIGINT, or the check being killed), the stage is
// continued if stopped and ended.

#include <QObject>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <qcoro/qcorotask.h>

namespace kestrove::DevAX {

// "window <XID>": the number, when it is one that fits 32 bits.
std::optional<std::uint32_t> parseWindowLine(std::string_view line);

// A pid that no process holds now: the first from `from` on that the
// signal-0 test finds free.
std::int32_t absentProcess(std::int32_t from = 999999);

class Remote : public QObject {
public:
    // The stage by default: this program with "--ax-stage".
    Remote();
    Remote(QString program, QStringList arguments);
    // Continues the child if it was stopped and ends it.
    ~Remote() override;

    // Starts the child and reads its first line, waiting at most `limit` for
    // it; the window it names, or none.
    QCoro::Task<std::optional<std::uint32_t>> start(std::chrono::milliseconds limit = std::chrono::seconds(30));
    // One command line, when the child still runs; dropped otherwise.
    void send(const std::string& command);

    bool running() const { return process_.state() != QProcess::NotRunning; }
    // How a child that started has ended: "exit status N" or "killed by signal N".
    std::string howEnded() const;
    std::int32_t pid() const { return pid_; }

    // SIGSTOP and SIGCONT.
    void stop();
    void resume();

    // "quit", then SIGTERM when it is still running after `grace`, then SIGKILL.
    QCoro::Task<> end(std::chrono::milliseconds grace = std::chrono::milliseconds(800));

private:
    // Until output arrives, the child starts or ends, or `limit` passes.
    QCoro::Task<> stirred(std::chrono::milliseconds limit);
    QCoro::Task<> ended(std::chrono::milliseconds limit);

    QProcess process_;
    QString program_;
    QStringList arguments_;
    std::int32_t pid_ = 0;
};

}  // namespace kestrove::DevAX
