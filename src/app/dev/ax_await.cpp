#include "app/dev/ax_await.hpp"

namespace kestrove::DevAX {

QCoro::Task<> pause(double seconds) {
    if (!(seconds > 0)) co_return;
    const double ms = seconds < 86400 ? seconds * 1000 : 86400.0 * 1000;
    co_await QCoro::sleepFor(std::chrono::milliseconds(static_cast<long long>(ms + 0.5)));
}

}  // namespace kestrove::DevAX
