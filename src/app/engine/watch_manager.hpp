#pragma once
// Owns every watch while the application runs: the records and their file,
// one runner per watch that is watching or has lost sight, one frame per
// watch that is not finished, the latest picture and trouble of each watch,
// the window tracker and the keep-awake hold. Runners report here; only the
// manager changes state, saves and notifies. Main thread only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/engine/clock.hpp"
#include "app/engine/frame.hpp"
#include "app/engine/runner.hpp"
#include "app/engine/runner_host.hpp"
#include "app/engine/watch_files.hpp"
#include "app/platform/keep_awake.hpp"
#include "app/platform/notifier.hpp"
#include "app/platform/screen_state.hpp"
#include "app/platform/window_tracker.hpp"
#include "core/cloud/watch_control.hpp"
#include "core/foundation/defaults_store.hpp"

namespace kestrove {

class WatchManager final : public RunnerHost, public WatchControl {
public:
    // The user's Keep Awake While Watching setting; the menu writes it.
    static constexpr std::string_view keepAwakeKey = "keepAwake";

    struct Services {
        RunnerFactory& runners;
        FrameFactory& frames;
        EngineClock& clock;
        Notifier& notifier;
        KeepAwake& keepAwake;
        ScreenState& screenState;
        AsyncWindowList& windows;  // for the tracker
        const Screens& screens;
        std::shared_ptr<DefaultsStore> defaults;
        std::filesystem::path dataFolder;  // $XDG_DATA_HOME/Kestrove
        // Times of day in notifications; the user's short time style when empty.
        std::function<std::string(Date)> timeText;
        Executor mainThread = {};  // where the files' answers come back
        int fileWorkers = 1;  // 0: the files wait for files().runAll() (tests)
        // The server session: Local Only withdraws the pictures still on their way.
        std::shared_ptr<CloudSession> cloudSession = nullptr;
    };

    // Reads the watch file at once: one that cannot be used is kept aside and
    // logged before anything else happens.
    explicit WatchManager(Services services);
    ~WatchManager() override;
    WatchManager(const WatchManager&) = delete;
    WatchManager& operator=(const WatchManager&) = delete;

    // Something visible changed (the menu refreshes).
    std::function<void()> onChange;
    // A watch barked (the tray's dot).
    std::function<void()> onBark;
    // The details of a bark, for the chat.
    std::function<void(const WatchSpec&, const std::optional<std::string>& read, const SharedImage& picture)> onBarked;
    // A new latest picture of the watch is stored.
    std::function<void(const std::string& id)> onPicture;
    // The displays went to sleep (the X screen saver among them) or the
    // session was told to lock: a screen locker is about to want the keyboard.
    std::function<void()> onScreensAway;

    // Commands.
    void restore();
    void shutdown();
    // `baselineGrid`: the baseline's change grid when its capture made it.
    void add(const WatchSpec& spec, SharedImage baseline, std::optional<DirectStart> direct,
             std::optional<DiffGrid> baselineGrid = std::nullopt);
    void pause(const std::string& id);
    void resume(const std::string& id);
    void remove(const std::string& id);
    void watchAgain(const std::string& id);
    void startAgain(const WatchSpec& spec) override;
    void end(const std::string& id) override;
    void pauseAll();
    void resumeAll();
    void clearFinished();
    // On: no picture leaves from now on, also none already on its way.
    void setLocalOnly(bool on);
    // The change tail's keep-awake step; also after the user flips the setting.
    void updateKeepAwake();

    // Queries.
    const std::vector<WatchRecord>& records() const { return records_; }
    const WatchRecord* record(const std::string& id) const;
    int activeCount() const;
    bool allPaused() const;
    int interval(const std::string& id) const;
    std::optional<WatchTrouble> trouble(const std::string& id) const override;
    bool isDirectOnly(const std::string& id) const { return directOnly_.contains(id); }
    // The latest picture. Without one the saved crop is read off the main
    // thread and, when there is one, kept as the latest and announced
    // through onPicture.
    SharedImage picture(const std::string& id);
    [[nodiscard]] Pending readCrop(const std::string& id, std::function<void(std::optional<Image>)> done) override;
    bool isRunning(const std::string& id) const override;
    bool anyRunning() const override;
    bool screensAvailable() const override;
    CloudSettings& cloud() override { return cloud_; }
    std::filesystem::path watchFile() const { return files_.watchFile(); }
    WatchFiles& files() { return files_; }
    // The window tracker runs: some bound watch has a frame.
    bool tracking() const { return tracker_.isRunning(); }

    // Our own windows: the frames, and any other source added (panels).

    // Runner reports.
    void runnerDidBark(const std::string& id, SharedImage image, std::optional<Evaluation> evaluation) override;
    void runnerLostSight(const std::string& id, std::optional<WindowLoss> loss) override;
    void runnerRegainedSight(const std::string& id) override;
    void runnerDirectOnly(const std::string& id, bool on) override;
    void runnerTrouble(const std::string& id, std::optional<WatchTrouble> trouble) override;
    void runnerDidRead(const std::string& id, std::optional<std::string> display, std::optional<double> value) override;
    void runnerIntervalChanged(const std::string& id) override;
    void runnerRebaselined(const std::string& id, SharedImage image) override;
    void runnerRebaselinedLines(const std::string& id, const std::vector<std::string>& lines) override;
    void runnerTold(const std::string& id, bool told) override;
    void publishPicture(const std::string& id, SharedImage image) override;

    // Each tick of the window tracker: bound frames follow their windows.
    void followWindows(const std::vector<WindowInfo>& windows, const std::vector<Rect>& displays);

private:
    struct FrameSlot {
        std::unique_ptr<Frame> frame;
        std::uint64_t serial = 0;  // tells a frame from the one that replaced it
    };

    WatchRecord* find(const std::string& id);
    Frame* frame(const std::string& id) const;
    void startWatching(const WatchRecord& record, SharedImage reference, bool fresh,
                       std::optional<DirectStart> direct, std::optional<DiffGrid> referenceGrid = std::nullopt);
    void showFrame(const WatchRecord& record, WatchStatus status);
    void closeFrame(const std::string& id);
    void stopRunner(const std::string& id);
    // A command's change to one watch, without the change tail; false when
    // it changed nothing.
    bool pauseOne(const std::string& id);
    bool resumeOne(const std::string& id);
    // By value: the id may be the erased record's own.
    void removeOne(std::string id);
    void flashOnce(const std::string& id, const std::string& time);
    void persist();
    void changeTail();
    void updateTracker();
    void screenNotice(ScreenNotice notice);
    std::string timeNow() const;

    Services services_;
    WatchFiles files_;
    CloudSettings cloud_;
    WindowTracker tracker_;

    std::vector<WatchRecord> records_;
    std::map<std::string, FrameSlot> frames_;
    std::map<std::string, SharedImage> latest_;
    std::map<std::string, Pending> cropReads_;  // saved crops on their way to latest_
    std::map<std::string, WatchTrouble> troubles_;
    std::set<std::string> directOnly_;
    bool keepAwakeWanted_ = false;  // as last handed to KeepAwake; nothing held at start
    std::uint64_t nextFrameSerial_ = 1;

    // Callbacks that may run after the manager is gone hold this weakly.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    std::map<std::string, std::unique_ptr<Runner>> runners_;
    // Stopped runners wait here until the main loop comes round: one may be
    // the caller of the report that stopped it.
    std::vector<std::unique_ptr<Runner>> retired_;
    Pending retiring_;
};

}  // namespace kestrove
