#pragma once
// The messenger link trial behind `--telegram-try`: pair, wait for Start,
// bark, wait for the chat's buttons, bark with Local Only on, disconnect,
// bark once more, printing what each step answered. An explicit state
// machine on the Qt main thread; the link is the application's own.

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "core/cloud/telegram.hpp"
#include "core/foundation/pending.hpp"

namespace kestrove {

// Stands in for the watch engine: only prints what the chat asked for.
class PrintingWatches final : public WatchControl {
public:
    explicit PrintingWatches(std::ostream& out) : out_(out) {}

    bool isRunning(const std::string& id) const override { return running_.count(id) > 0; }
    bool anyRunning() const override { return !running_.empty(); }
    void end(const std::string& id) override;
    void startAgain(const WatchSpec& spec) override;

    const std::set<std::string>& running() const { return running_; }

private:
    std::ostream& out_;
    std::set<std::string> running_;
};

// One bark's outcome as the trial prints it: "sent(withImage: true)",
// "failed(http(500))", "skipped", "notLinked".
std::string describe(const TelegramLink::NotifyResult& result);

class TelegramTrial {
public:
    struct Setup {
        std::string baseURL;          // exactly as typed
        std::optional<Image> crop;    // none when its file could not be read
        std::string codeFile;
        std::chrono::milliseconds pause{2000};
    };

    TelegramTrial(Setup setup, std::ostream& out, std::function<void(int code)> finished);
    ~TelegramTrial();

    void start();

    static constexpr int startChecks = 30;
    static constexpr int buttonPolls = 20;
    static WatchSpec trialWatch(Date createdAt);

private:
    void paired(const PairResponse& answer);
    void checkStart(int attempt);
    void firstBark();
    void pollButtons(int attempt);
    void buttonsDone(const std::vector<ChatAction>& actions);
    void localOnlyBark();
    void disconnect();
    void lastBark();
    void fail(const std::string& error);
    void after(std::function<void()> then);

    Setup setup_;
    std::ostream& out_;
    std::function<void(int)> finished_;
    WatchSpec watch_;
    std::shared_ptr<PrintingWatches> watches_;
    std::unique_ptr<TelegramLink> link_;
    QObject timers_;  // the waits die with the trial
    Pending call_;
};

}  // namespace kestrove
