#pragma once
// A check stopped by SIGTERM or SIGINT must not leave its stage behind,
// least of all stopped by SIGSTOP: while a stage runs, those signals first
// continue and terminate every stage, then take their earlier effect. A
// signal the check ignores is left alone.

#include <cstdint>

namespace kestrove::DevAX::StageGuard {

// Main thread only. The handlers are installed with the first stage and put
// back when the last one is gone.
void add(std::int32_t pid);
void remove(std::int32_t pid);

}  // namespace kestrove::DevAX::StageGuard
