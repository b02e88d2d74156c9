#include "app/dev/remote.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <limits>
#include <sys/prctl.h>
#include <unistd.h>

#include <qcoro/qcorosignal.h>

#include "app/dev/ax_await.hpp"
#include "app/dev/stage_guard.hpp"

namespace kestrove::DevAX {

namespace {

// The first line holds a window id: anything this long without an end is no such line.
constexpr qsizetype maxFirstLine = 4096;

}  // namespace

std::optional<std::uint32_t> parseWindowLine(std::string_view line) {
    constexpr std::string_view prefix = "window ";
    if (!line.starts_with(prefix)) return std::nullopt;
    const std::string_view digits = line.substr(prefix.size());
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::uint32_t id = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return std::nullopt;
    return id;
}

std::int32_t absentProcess(std::int32_t from) {
    for (std::int32_t pid = std::max(from, 2); pid < std::numeric_limits<std::int32_t>::max(); ++pid)
        if (::kill(pid, 0) != 0 && errno == ESRCH) return pid;
    return from;
}

Remote::Remote() : Remote(QCoreApplication::applicationFilePath(), {QStringLiteral("--ax-stage")}) {}

Remote::Remote(QString program, QStringList arguments)
    : program_(std::move(program)), arguments_(std::move(arguments)) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Qt windows join the accessibility bus only when asked to.
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    process_.setProcessEnvironment(env);
    process_.setStandardErrorFile(QProcess::nullDevice());
    // Killed with the check, even by SIGKILL, and even while stopped.
    const pid_t parent = ::getpid();
    process_.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
    });
    connect(&process_, &QProcess::finished, this, [this] { StageGuard::remove(pid_); });
}

Remote::~Remote() {
    if (running()) {
        resume();
        process_.kill();
        process_.waitForFinished(2000);
    }
    StageGuard::remove(pid_);
}

QCoro::Task<std::optional<std::uint32_t>> Remote::start(std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return limit - std::chrono::milliseconds(clock.elapsed()); };
    process_.start(program_, arguments_);
    while (process_.state() == QProcess::Starting && left() > std::chrono::milliseconds(0))
        co_await stirred(left());
    if (process_.state() != QProcess::Running) co_return std::nullopt;
    pid_ = static_cast<std::int32_t>(process_.processId());
    StageGuard::add(pid_);

    QByteArray seen;
    for (;;) {
        seen += process_.readAllStandardOutput();
        while (seen.startsWith('\n')) seen.remove(0, 1);
        const qsizetype nl = seen.indexOf('\n');
        const bool ended = !running();
        if (nl >= 0 || ended || seen.size() > maxFirstLine) {
            const QByteArray line = nl >= 0 ? seen.left(nl) : seen;
            co_return parseWindowLine(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
        }
        if (left() <= std::chrono::milliseconds(0)) co_return std::nullopt;
        co_await stirred(left());
    }
}

void Remote::send(const std::string& command) {
    if (!running()) return;
    process_.write((command + "\n").c_str());
}

std::string Remote::howEnded() const {
    // Qt keeps the signal's number as the exit code of a crash.
    return (process_.exitStatus() == QProcess::CrashExit ? "killed by signal " : "exit status ") +
           std::to_string(process_.exitCode());
}

void Remote::stop() {
    if (running()) ::kill(pid_, SIGSTOP);
}

void Remote::resume() {
    // Never a signal to a pid the child no longer holds.
    if (pid_ > 0 && running()) ::kill(pid_, SIGCONT);
}

QCoro::Task<> Remote::end(std::chrono::milliseconds grace) {
    if (!running()) co_return;
    resume();
    send("quit");
    process_.closeWriteChannel();
    co_await ended(grace);
    if (running()) process_.terminate();
    co_await ended(std::chrono::seconds(1));
    if (running()) process_.kill();
    co_await ended(std::chrono::seconds(1));
}

QCoro::Task<> Remote::stirred(std::chrono::milliseconds limit) {
    // A relay of this wait's own: a signal that comes twice before the loop
    // turns must not reach a wait that is over.
    Arrival arrival;
    connect(&process_, &QProcess::readyReadStandardOutput, &arrival, &Arrival::arrived);
    connect(&process_, &QProcess::started, &arrival, &Arrival::arrived);
    connect(&process_, &QProcess::finished, &arrival, &Arrival::arrived);
    connect(&process_, &QProcess::errorOccurred, &arrival, &Arrival::arrived);
    co_await qCoro(&arrival, &Arrival::arrived, limit);
}

QCoro::Task<> Remote::ended(std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (running() && clock.elapsed() < limit.count())
        co_await stirred(limit - std::chrono::milliseconds(clock.elapsed()));
}

}  // namespace kestrove::DevAX
