#include "app/dev/ax_report.hpp"


#include <chrono>
#include <ctime>

#include "app/dev/ax_await.hpp"
#include "core/foundation/json_io.hpp"

namespace kestrove::DevAX {

int Report::finish(int code) {
    folder.writeReport(lines);
    return folder.exitCode(code);
}

QCoro::Task<bool> accessibilityAllowed(Platform& platform) {
    co_return co_await answer<bool>([&](auto done) { return platform.direct->refreshAllowed(std::move(done)); });
}

QCoro::Task<bool> screenAllowed(Platform& platform) {
    co_return co_await answer<bool>([&](auto done) { return platform.capturer->refreshAllowed(std::move(done)); });
}

std::string permissionLine(const Permissions& p) {
    return std::string("Accessibility: ") + (p.accessibility ? "allowed" : "NOT allowed") +
           " \u00b7 Screen Recording: " + (p.screen ? "granted" : "NOT granted");
}

std::string clockTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &local);
    return buf;
}

std::string isoNow() { return iso8601(std::chrono::system_clock::now()); }

}  // namespace kestrove::DevAX
