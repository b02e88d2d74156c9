#pragma once
// Runners for the manager's tests: each remembers how it was made, started,
// stopped and destroyed (the record outlives the runner), and the test makes
// the reports a real runner would through `host`.

#include <memory>
#include <vector>

#include "app/engine/runner.hpp"

namespace kestrove::fakes {

struct FakeRunnerLog {
    RunnerStart start;
    RunnerHost* host = nullptr;
    int starts = 0;
    int stops = 0;
    bool destroyed = false;
    int interval = 5;
};

class FakeRunner final : public Runner {
public:
    explicit FakeRunner(std::shared_ptr<FakeRunnerLog> log) : log_(std::move(log)) {}
    ~FakeRunner() override { log_->destroyed = true; }
    void start() override { ++log_->starts; }
    void stop() override { ++log_->stops; }
    int interval() const override { return log_->interval; }

private:
    std::shared_ptr<FakeRunnerLog> log_;
};

class FakeRunnerFactory final : public RunnerFactory {
public:
    std::vector<std::shared_ptr<FakeRunnerLog>> made;

    std::unique_ptr<Runner> make(RunnerStart start, RunnerHost& host) override {
        auto log = std::make_shared<FakeRunnerLog>();
        log->start = std::move(start);
        log->host = &host;
        made.push_back(log);
        return std::make_unique<FakeRunner>(log);
    }

    // The latest runner made for the watch, or null.
    std::shared_ptr<FakeRunnerLog> latest(const std::string& id) const {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if ((*it)->start.spec.id == id) return *it;
        return nullptr;
    }
    // Runners of the watch made and neither stopped nor destroyed.
    int live(const std::string& id) const {
        int n = 0;
        for (const auto& log : made)
            if (log->start.spec.id == id && log->stops == 0 && !log->destroyed) ++n;
        return n;
    }
};

}  // namespace kestrove::fakes
