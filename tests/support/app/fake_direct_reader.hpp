#pragma once
// A direct reader without an accessibility bus: opens a FakeDirectSession
// for every bound region (none for an unbound one, or while not allowed),
// whose reads answer `lines` unless scripted otherwise.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/platform/direct_reader.hpp"
#include "support/app/fake_requests.hpp"

namespace kestrove::fakes {

class FakeDirectSession final : public DirectSession {
public:
    FakeDirectSession(Executor main, const WatchRegion& region)
        : FakeDirectSession(std::move(main), region.window.value_or(WindowAnchor{}), region.size()) {}
    FakeDirectSession(Executor main, WindowAnchor anchor, Size size)
        : reads("direct read", main, [this](const Nothing&) { return DirectAnswer::lines(lines); }),
          adopts("adoption", main, [](const Nothing&) { return Nothing{}; }),
          anchor_(std::move(anchor)),
          size_(size) {}

    std::vector<OCRLine> lines;
    Requests<Nothing, DirectAnswer> reads;  // plain and timed reads alike
    Requests<Nothing, Nothing> adopts;
    std::int32_t processID = 4242;
    ChromiumDetection::Verdict verdict{false, ChromiumDetection::Confidence::sure, "fake"};
    std::pair<int, int> walk{0, 0};
    double milliseconds = 1;  // what a timed read says it took

    Pending read(std::function<void(DirectAnswer)> done) override {
        return reads.ask(key(), "read", {}, std::move(done));
    }
    Pending readTimed(std::function<void(DirectAnswer, double)> done) override {
        return reads.ask(key(), "read", {}, [ms = milliseconds, done = std::move(done)](DirectAnswer a) {
            if (done) done(std::move(a), ms);
        });
    }
    Pending adopt(std::function<void()> done) override {
        return adopts.ask(key(), "adopt", {}, [done = std::move(done)](Nothing) {
            if (done) done();
        });
    }

    const WindowAnchor& anchor() const override { return anchor_; }
    Size size() const override { return size_; }
    std::int32_t pid() const override { return processID; }
    const ChromiumDetection::Verdict& chromium() const override { return verdict; }
    std::pair<int, int> lastWalk() const override { return walk; }

private:
    std::string key() const { return "session " + std::to_string(reinterpret_cast<std::uintptr_t>(this)); }
    WindowAnchor anchor_;
    Size size_;
};

class FakeDirectReader final : public DirectReader {
public:
    explicit FakeDirectReader(Executor main)
        : opens("direct session", main,
                [this](const WatchRegion& region) -> std::shared_ptr<DirectSession> {
                    if (!isAllowed || !region.window) return nullptr;
                    sessions.push_back(std::make_shared<FakeDirectSession>(main_, region));
                    return sessions.back();
                }),
          main_(main) {}

    Requests<WatchRegion, std::shared_ptr<DirectSession>> opens;
    // Every session opened by default or made field by field, to script its reads.
    std::vector<std::shared_ptr<FakeDirectSession>> sessions;
    bool isAllowed = true;
    int refreshes = 0;

    Pending open(const WatchRegion& region, Opened done) override {
        return opens.ask("", "open", region, std::move(done));
    }
    std::shared_ptr<DirectSession> session(const WindowAnchor& anchor, Size size, std::int32_t pid,
                                           ChromiumDetection::Verdict chromium) override {
        opens.onThread("asked for a session");
        auto made = std::make_shared<FakeDirectSession>(main_, anchor, size);
        made->processID = pid;
        made->verdict = std::move(chromium);
        sessions.push_back(made);
        return made;
    }
    // Every process is surely not Chromium.
    Pending chromium(std::int32_t, std::function<void(ChromiumDetection::Verdict)> done) override {
        opens.onThread("asked about Chromium");
        return Pending::answered(main_, [done = std::move(done)] {
            done({false, ChromiumDetection::Confidence::sure, "fake"});
        });
    }
    bool allowed() const override { return isAllowed; }
    Pending refreshAllowed(std::function<void(bool)> done) override {
        opens.onThread("asked whether direct reading is allowed");
        ++refreshes;
        return Pending::answered(main_, [done = std::move(done), a = isAllowed] { done(a); });
    }

private:
    Executor main_;
};

}  // namespace kestrove::fakes
