#pragma once
// Frames for the manager's tests: each keeps its model and a count of what
// was asked of it (the record outlives the frame); a flash waits until the
// test finishes it. Also where our own windows paint, as the test says.

#include <functional>
#include <memory>
#include <vector>

#include "app/engine/frame.hpp"

namespace kestrove::fakes {

struct FakeFrameLog {
    WatchRegion region;
    FrameModel model;
    int places = 0;
    std::vector<WindowTracking::FramePlace> follows;
    std::vector<std::string> flashes;  // bark times
    std::function<void()> pendingFlash;
    bool closed = false;
    bool destroyed = false;

    // Ends the flash in progress as the real frame does after 1.8 s; a
    // closed frame completes nothing, unless the test wants the worst case.
    void finishFlash(bool evenIfClosed = false) {
        auto done = std::move(pendingFlash);
        pendingFlash = nullptr;
        model.flashing = false;
        if (done && (!closed || evenIfClosed)) done();
    }
};

class FakeFrame final : public Frame {
public:
    explicit FakeFrame(std::shared_ptr<FakeFrameLog> log) : log_(std::move(log)) {}
    ~FakeFrame() override { log_->destroyed = true; }

    const FrameModel& model() const override { return log_->model; }
    void setStatus(WatchStatus status) override { log_->model.status = status; }
    void setInterval(int seconds) override { log_->model.interval = seconds; }
    void setTrouble(std::optional<WatchTrouble> trouble) override { log_->model.trouble = std::move(trouble); }
    void setDirectOnly(bool directOnly) override { log_->model.directOnly = directOnly; }
    void place() override { ++log_->places; }
    void follow(const WindowTracking::FramePlace& place) override { log_->follows.push_back(place); }
    void flash(std::string barkTime, std::function<void()> completion) override {
        log_->flashes.push_back(barkTime);
        log_->model.barkTime = std::move(barkTime);
        log_->model.flashing = true;
        log_->pendingFlash = std::move(completion);
    }
    void close() override { log_->closed = true; }

private:
    std::shared_ptr<FakeFrameLog> log_;
};

class FakeFrameFactory final : public FrameFactory {
public:
    std::vector<std::shared_ptr<FakeFrameLog>> made;

    std::unique_ptr<Frame> make(const WatchRegion& region, WatchStatus status, int interval) override {
        auto log = std::make_shared<FakeFrameLog>();
        log->region = region;
        log->model.status = status;
        log->model.interval = interval;
        made.push_back(log);
        return std::make_unique<FakeFrame>(log);
    }

    // The latest frame made for a region at `x`, or null.
    std::shared_ptr<FakeFrameLog> latestAt(double x) const {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if ((*it)->region.x == x) return *it;
        return nullptr;
    }
};

}  // namespace kestrove::fakes
