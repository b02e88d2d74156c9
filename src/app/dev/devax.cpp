#include "app/dev/devax.hpp"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "app/dev/stage.hpp"
#include "app/dev/stage_script.hpp"

namespace kestrove::DevAX {

namespace {

constexpr int stageLifetimeMs = 600 * 1000;

// The stage and its input, ended with the event loop.
struct StageRun {
    Stage stage;
    LineBuffer input;
    QSocketNotifier notifier{STDIN_FILENO, QSocketNotifier::Read};
    QTimer announce;
    int looks = 0;
};

void announceWindow(QWidget& window) {
    std::printf("window %lu\n", static_cast<unsigned long>(window.winId()));
    std::fflush(stdout);
}

// Runs on by itself once started; the platform's workers end before the
// code is handed on.
QCoro::Task<> finishWith(std::shared_ptr<Platform> platform, QCoro::Task<int> check, std::function<void(int)> done) {
    const int code = co_await check;
    platform.reset();
    if (done) done(code);
}

}  // namespace

int runStage() {
    QApplication::setQuitOnLastWindowClosed(false);
    // The window list names a window's program by its WM_CLASS class.
    QCoreApplication::setApplicationName(QStringLiteral("Kestrove"));
    auto* run = new StageRun;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [run] { delete run; });

    QWidget& window = run->stage.window();
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.show();
    window.raise();
    // Named once it can be seen (or after two seconds whatever happens), so
    // the check never looks for a window that is not there yet.
    QObject::connect(&run->announce, &QTimer::timeout, [run] {
        QWidget& w = run->stage.window();
        if (!(w.windowHandle() && w.windowHandle()->isExposed()) && ++run->looks < 200) return;
        run->announce.stop();
        announceWindow(w);
    });
    run->announce.start(10);

    QTimer::singleShot(stageLifetimeMs, Qt::CoarseTimer, [] { QCoreApplication::exit(0); });
    QObject::connect(&run->notifier, &QSocketNotifier::activated, [run] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (n <= 0) {
            run->notifier.setEnabled(false);
            QCoreApplication::exit(0);
            return;
        }
        for (const std::string& line : run->input.add(std::string_view(buf, static_cast<std::size_t>(n))))
            run->stage.obey(line);
    });
    return 0;
}

void run(const std::string& folder, std::shared_ptr<Platform> platform, std::function<void(int)> done) {
    auto check = runCheck(*platform, folder);
    finishWith(platform, std::move(check), std::move(done));
}

void follow(const std::string& folder, std::uint32_t window, const Rect& box, double seconds,
            std::shared_ptr<Platform> platform, std::function<void(int)> done) {
    auto check = followCheck(*platform, folder, window, box, seconds);
    finishWith(platform, std::move(check), std::move(done));
}

}  // namespace kestrove::DevAX
