#include "app/dev/stage_guard.hpp"

#include <array>
#include <atomic>
#include <csignal>
#include <utility>

namespace kestrove::DevAX::StageGuard {

namespace {

constexpr std::array<int, 2> guarded{SIGTERM, SIGINT};
std::array<std::atomic<int>, 8> stages{};  // pids, 0 for a free slot
std::array<struct sigaction, guarded.size()> previous{};
std::array<bool, guarded.size()> installed{};
int count = 0;

void onSignal(int sig, siginfo_t* info, void* context) {
    // Only async-signal-safe calls here.
    for (auto& slot : stages)
        if (const int pid = slot.load(); pid > 0) {
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGTERM);
        }
    for (std::size_t i = 0; i < guarded.size(); ++i) {
        if (guarded[i] != sig) continue;
        const struct sigaction& before = previous[i];
        if (before.sa_flags & SA_SIGINFO) {
            before.sa_sigaction(sig, info, context);
        } else if (before.sa_handler == SIG_DFL) {
            ::sigaction(sig, &before, nullptr);
            ::raise(sig);
        } else if (before.sa_handler != SIG_IGN) {
            before.sa_handler(sig);
        }
    }
}

}  // namespace

void add(std::int32_t pid) {
    if (pid <= 0) return;
    bool kept = false;
    for (auto& slot : stages) {
        int free = 0;
        if ((kept = slot.compare_exchange_strong(free, pid))) break;
    }
    if (!kept || count++ > 0) return;
    struct sigaction action {};
    action.sa_sigaction = onSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < guarded.size(); ++i) {
        ::sigaction(guarded[i], nullptr, &previous[i]);
        // A signal the check ignores (SIGINT to a background job) leaves
        // the check running: its stage must live on too.
        installed[i] = previous[i].sa_handler != SIG_IGN || (previous[i].sa_flags & SA_SIGINFO);
        if (installed[i]) ::sigaction(guarded[i], &action, nullptr);
    }
}

void remove(std::int32_t pid) {
    if (pid <= 0) return;
    bool found = false;
    for (auto& slot : stages) {
        int held = pid;
        if (slot.compare_exchange_strong(held, 0)) {
            found = true;
            break;
        }
    }
    if (!found || --count > 0) return;
    for (std::size_t i = 0; i < guarded.size(); ++i)
        if (std::exchange(installed[i], false)) ::sigaction(guarded[i], &previous[i], nullptr);
}

}  // namespace kestrove::DevAX::StageGuard
