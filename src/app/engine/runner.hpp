#pragma once
// One running watch as its owner sees it, and the factory that makes them
// (the real runner reads the screen; tests make fakes).

#include <memory>
#include <optional>

#include "app/engine/runner_host.hpp"
#include "app/platform/direct_start.hpp"
#include "core/picture/pixel_diff.hpp"

namespace kestrove {

class Runner {
public:
    // Destroying a runner stops it: nothing is reported afterwards.
    virtual ~Runner() = default;
    // Starts the loop, or restarts it: one loop only, its first tick at once.
    virtual void start() = 0;
    // Cancels the sleep and the step in flight; nothing is reported afterwards.
    virtual void stop() = 0;
    // The current poll interval in seconds.
    virtual int interval() const = 0;
};

struct RunnerStart {
    WatchSpec spec;
    SharedImage reference;           // the crop the watch was made from, or none
    bool fresh = false;              // take every baseline from what the box shows now
    std::optional<DirectStart> direct;
    // The reference's change grid when its capture made it already: a
    // screen-sized crop's grid is milliseconds of main-thread reading.
    std::optional<DiffGrid> referenceGrid = std::nullopt;
    // The condition held and was told (or rightly kept quiet about) when the
    // watch last ran: no bark until a check finds it not met.
    bool told = false;
};

class RunnerFactory {
public:
    virtual ~RunnerFactory() = default;
    virtual std::unique_ptr<Runner> make(RunnerStart start, RunnerHost& host) = 0;
};

}  // namespace kestrove
