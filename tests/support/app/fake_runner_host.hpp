#pragma once
// A runner's host that records every report, in order, and answers what a
// runner asks: whether the screens can be read, the saved crop, the trouble
// last reported, the server settings, where our own windows paint.

#include <functional>
#include <map>
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
    };
    struct Read {
        std::optional<std::string> display;
        std::optional<double> value;
        bool operator==(const Read&) const = default;
    };

    // Answers.
    bool screens = true;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    CloudSettings settings{store, std::nullopt};  // no server until a test gives one
    std::optional<Image> savedCrop;
    std::vector<Rect> ownAreas;
    std::optional<WatchTrouble> currentTrouble;
    // Runs after every report, for hosts that stop or drop the runner inside one.
    std::function<void(const std::string& what)> afterReport;

    mutable int screenQueries = 0;
    // What was reported. `log` names every report in order.
    std::vector<std::string> log;
    std::vector<Bark> barks;
    std::vector<std::optional<WindowLoss>> losses;
    int regained = 0;
    std::vector<bool> directOnly;
    std::vector<std::optional<WatchTrouble>> troubles;
    std::vector<Read> reads;
    int intervalChanges = 0;
    std::vector<Image> rebaselined;
    std::vector<std::vector<std::string>> rebaselinedLines;
    int published = 0;
    std::optional<Image> latest;

    bool screensAvailable() const override {
        ++screenQueries;
        return screens;
    }
    void runnerDidBark(const std::string&, std::optional<Image> image, std::optional<Evaluation> evaluation) override {
        barks.push_back({std::move(image), std::move(evaluation)});
        reported("bark");
    }
    void runnerLostSight(const std::string&, std::optional<WindowLoss> loss) override {
        losses.push_back(loss);
        reported("lost");
    }
    void runnerRegainedSight(const std::string&) override {
        ++regained;
        reported("regained");
    }
    void runnerDirectOnly(const std::string&, bool on) override {
        directOnly.push_back(on);
        reported("directOnly");
    }
    void runnerTrouble(const std::string&, std::optional<WatchTrouble> trouble) override {
        troubles.push_back(trouble);
        currentTrouble = trouble;
        reported("trouble");
    }
    void runnerDidRead(const std::string&, std::optional<std::string> display, std::optional<double> value) override {
        reads.push_back({std::move(display), value});
        reported("read");
    }
    void runnerIntervalChanged(const std::string&) override {
        ++intervalChanges;
        reported("interval");
    }
    void runnerRebaselined(const std::string&, const Image& image) override {
        rebaselined.push_back(image);
        reported("rebaselined");
    }
    void runnerRebaselinedLines(const std::string&, const std::vector<std::string>& lines) override {
        rebaselinedLines.push_back(lines);
        reported("rebaselinedLines");
    }
    void publishPicture(const std::string&, const Image& image) override {
        ++published;
        latest = image;
        reported("picture");
    }
    std::optional<Image> baselineImage(const std::string&) override { return savedCrop; }
    std::optional<WatchTrouble> trouble(const std::string&) const override { return currentTrouble; }
    CloudSettings& cloud() override { return settings; }
    bool ownWindowOver(const std::string&, const Rect& box) const override {
        for (const Rect& area : ownAreas)
            if (area.intersects(box)) return true;
        return false;
    }

private:
    void reported(const std::string& what) {
        log.push_back(what);
        if (afterReport) afterReport(what);
    }
};

}  // namespace kestrove::fakes
