#pragma once
// The accessibility check awaits the platform's asynchronous calls one after
// another in QCoro coroutines on the main thread; these bridge a call's
// completion and the check's pauses to co_await.

#include <QObject>

#include <chrono>
#include <optional>
#include <utility>

#include <qcoro/qcorosignal.h>
#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

#include "core/foundation/pending.hpp"

namespace kestrove::DevAX {

// Says that an awaited answer is in.
class Arrival : public QObject {
    Q_OBJECT
signals:
    void arrived();
};

// One answer of an asynchronous call: `start` takes the completion and
// gives the call's handle, which is held until the answer is in.
template <typename T, typename Start>
QCoro::Task<T> answer(Start start) {
    Arrival arrival;
    std::optional<T> value;
    const Pending call = start([&value, &arrival](T v) {
        value = std::move(v);
        emit arrival.arrived();
    });
    while (!value) co_await qCoro(&arrival, &Arrival::arrived);
    co_return std::move(*value);
}

// Sleeps for `seconds` on the event loop; nothing for a length that is not
// a positive number, at most a day for a longer one. Not inline: GCC gives
// an inline coroutine's frame another layout in each file, which link-time
// optimisation takes for two types under one name.
QCoro::Task<> pause(double seconds);

}  // namespace kestrove::DevAX
