#pragma once
// Developer modes that talk to the maker's server from a terminal:
// `--cloud-check` and `--cloud-compile` make one model call from pictures on
// disk and print the answer with what the app would make of it;
// `--telegram-try` walks the messenger link through pairing, barks, the
// chat's buttons and unpairing. None needs a display or a QApplication.
//
// Each takes the arguments from its flag to the end (the flag first) and
// returns the process's exit code: 0 done, 1 failed, 2 usage.

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/foundation/defaults_store.hpp"

namespace kestrove::DevCloud {

struct Streams {
    std::ostream& out = std::cout;
    std::ostream& err = std::cerr;
};

// `userSettings`: the application's own settings store; the call is made as
// this device (its id is made and stored there when missing).
int run(const std::vector<std::string>& args, DefaultsStore& userSettings, Streams io = {});

// Everything the trial waits for comes 2 s apart; tests make it quicker.
struct TrialTiming {
    std::chrono::milliseconds pause{2000};
};

// Runs Qt's event loop until the trial ends (making a QCoreApplication when
// there is none) and never reads or writes the user's settings.
int telegramTry(const std::vector<std::string>& args, Streams io = {}, TrialTiming timing = {});

}  // namespace kestrove::DevCloud
