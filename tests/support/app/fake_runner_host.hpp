#pragma once
// A runner's host that logs every report by name, keeps what the tests look
// at, and answers what a runner asks: whether the screens can be read, the
// saved crop, the trouble last reported, the server settings.

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine/runner_host.hpp"

namespace kestrove::fakes {

class FakeRunnerHost final : public RunnerHost {
public:
    struct Bark {
        std::optional<Image> image;
        std::optional<Evaluation> evaluation;
        bool theLatestPicture = false;  // the very picture published last, not a copy
    };

    bool screens = true;
    mutable int screenQueries = 0;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    CloudSettings settings{store, std::nullopt};  // no server until a test gives one
    std::optional<Image> savedCrop;
    int cropReads = 0;
    Executor main;  // where readCrop answers (the harness's main thread)
    std::optional<WatchTrouble> currentTrouble;
    // Runs after every report, for hosts that stop or drop the runner inside one.
    std::function<void(const std::string& what)> afterReport;

    std::vector<std::string> log;  // every report, in order
    std::vector<Bark> barks;
    std::vector<std::optional<WindowLoss>> losses;
    std::vector<std::optional<WatchTrouble>> troubles;
    std::vector<std::optional<double>> values;  // of the numbers read
    std::vector<std::vector<std::string>> rebaselinedLines;
    std::optional<Image> rebaselined;
    SharedImage published;  // the latest picture
    bool directOnly = false;
    std::vector<bool> toldReports;

    long count(const std::string& what) const { return std::count(log.begin(), log.end(), what); }

    bool screensAvailable() const override { return ++screenQueries, screens; }
    void runnerDidBark(const std::string&, SharedImage image, std::optional<Evaluation> evaluation) override {
        const bool latest = image && image == published;
        barks.push_back({image ? std::optional<Image>(*image) : std::nullopt, std::move(evaluation), latest});
        reported("bark");
    }
    void runnerLostSight(const std::string&, std::optional<WindowLoss> loss) override {
        losses.push_back(loss);
        reported("lost");
    }
    void runnerRegainedSight(const std::string&) override { reported("regained"); }
    void runnerDirectOnly(const std::string&, bool on) override { directOnly = on, reported("directOnly"); }
    void runnerTrouble(const std::string&, std::optional<WatchTrouble> trouble) override {
        troubles.push_back(currentTrouble = trouble);
        reported("trouble");
    }
    void runnerDidRead(const std::string&, std::optional<std::string>, std::optional<double> value) override {
        values.push_back(value);
        reported("read");
    }
    void runnerIntervalChanged(const std::string&) override { reported("interval"); }
    void runnerRebaselined(const std::string&, SharedImage image) override {
        rebaselined = *image, reported("rebaselined");
    }
    void runnerRebaselinedLines(const std::string&, const std::vector<std::string>& lines) override {
        rebaselinedLines.push_back(lines);
        reported("rebaselinedLines");
    }
    // Kept out of `log`: reported at the end of a tick whenever it changes.
    void runnerTold(const std::string&, bool told) override { toldReports.push_back(told); }
    void publishPicture(const std::string&, SharedImage image) override {
        published = std::move(image);
        reported("picture");
    }
    Pending readCrop(const std::string&, std::function<void(std::optional<Image>)> done) override {
        ++cropReads;
        return Pending::answered(main, [done = std::move(done), crop = savedCrop] { done(crop); });
    }
    std::optional<WatchTrouble> trouble(const std::string&) const override { return currentTrouble; }
    CloudSettings& cloud() override { return settings; }

private:
    void reported(const std::string& what) {
        log.push_back(what);
        if (afterReport) afterReport(what);
    }
};

}  // namespace kestrove::fakes
