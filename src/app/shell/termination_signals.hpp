#pragma once
// SIGTERM (the session logging out), SIGINT and SIGHUP end Kestrove the
// normal way: runners stopped, keep-awake released, the watch file saved.
// The handler itself only writes the signal's number into a pipe; the main
// thread reads it and calls `onSignal`. One instance per process.

#include <functional>
#include <memory>

class QSocketNotifier;

namespace kestrove {

class TerminationSignals {
public:
    // On the main thread, with the application object made.
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    // Restores the default handlers.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe could not be made (logged): the signals then keep
    // their default effect.
    bool ok() const { return notifier_ != nullptr; }

private:
    void readPipe();

    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kestrove
