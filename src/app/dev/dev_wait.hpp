#pragma once
// Waiting for one asynchronous answer while Qt's event loop keeps running,
// for the developer modes that go step by step.

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <optional>
#include <utility>

#include "core/foundation/pending.hpp"

namespace kestrove::DevWait {

// Starts a call (`start` takes the completion and gives the handle) and runs
// the event loop until its answer; none when `limit` passes first.
template <typename T, typename Start>
std::optional<T> await(Start start, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    std::optional<T> answer;
    QEventLoop loop;
    const Pending call = start([&](T value) {
        answer = std::move(value);
        loop.quit();
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    if (!answer) loop.exec();
    call.cancel();
    return answer;
}

// Runs the event loop for `time`, so windows settle.
inline void settle(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kestrove::DevWait
