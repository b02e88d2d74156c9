#pragma once
// What the benchmarks of the running application share: the application
// object timing every event it hands out on the main thread (the longest is
// the longest the main thread kept the user waiting), and waits that keep
// its event loop turning.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>

namespace kestrove::bench {

class TimedApplication final : public QApplication {
public:
    using Clock = std::chrono::steady_clock;
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        // Qt hands every thread's events through here: D-Bus's own thread,
        // workers with an event loop. Only the main thread keeps a user waiting.
        if (QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
        if (depth_++ > 0) {  // nested deliveries are part of the outer one
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const auto start = Clock::now();
        const bool handled = QApplication::notify(receiver, event);
        note(Clock::now() - start);
        --depth_;
        return handled;
    }
    // Work the benchmark calls itself, as an event would call it.
    void note(Clock::duration d) { longest_ = std::max(longest_, d); }
    // The longest since the last call, in milliseconds.
    double takeLongestMs() {
        return std::chrono::duration<double, std::milli>(std::exchange(longest_, Clock::duration{})).count();
    }

private:
    int depth_ = 0;
    Clock::duration longest_{};
};

inline void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline bool spinUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

}  // namespace kestrove::bench
