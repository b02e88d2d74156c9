#pragma once
// The poll loop of one running watch: it reads its box on a schedule (a
// picture, and straight from the window where that works), decides when the
// awaited thing has happened and tells its host. It never changes a record,
// a frame, a file or a notification itself.
//
// An explicit state machine on the main thread: one asynchronous step in
// flight at a time, held in `step_`; the pause before the next tick is held
// in `sleep_`. Ticks fall on a grid whose step is the pause, shared by every
// runner, so the quiet engine's checks wake the main thread together. Stopping drops
// both, so no answer arrives and nothing is reported afterwards. Durations
// run on the engine clock's monotonic time; only the model's pause is
// wall-clock.
//
// The loop, one tick and sight are in watch_runner.cpp; the picture check in
// watch_runner_picture.cpp; the model's judging in watch_runner_model.cpp;
// direct reading in watch_runner_direct.cpp.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine/clock.hpp"
#include "core/foundation/time_grid.hpp"
#include "core/cloud/picture_encoder.hpp"
#include "app/engine/runner.hpp"
#include "app/platform/platform.hpp"
#include "core/cloud/cloud_image.hpp"
#include "core/picture/pixel_diff.hpp"
#include "core/watch/runtime.hpp"
#include "core/windows/bound_window.hpp"
#include "core/windows/direct_decider.hpp"

namespace kestrove {

// What every runner reads and asks with.
struct RunnerServices {
    Platform& platform;  // capture, recognition, direct reader, window list, screens, main thread
    EngineClock& clock;
    std::shared_ptr<CloudSession> cloudSession;  // for the model's client
    // Shared by the runners; the factory makes one with a worker when none is given.
    std::shared_ptr<PictureEncoder> encoder;
};

class WatchRunner final : public Runner {
public:
    WatchRunner(RunnerStart start, RunnerHost& host, RunnerServices services);
    ~WatchRunner() override;
    WatchRunner(const WatchRunner&) = delete;
    WatchRunner& operator=(const WatchRunner&) = delete;

    void start() override;
    void stop() override;
    int interval() const override { return interval_; }

    // The pause a hand-edited poll_seconds may ask for is kept within these.
    static constexpr int shortestPoll = 1;
    static constexpr int longestPoll = 86400;
    // Checks in a row with no picture that could be judged (nothing painted
    // there yet) before the box counts as out of sight.
    static constexpr int unreadableChecks = 3;
    // How long a box that only our windows of a moment hide (panels, menus,
    // the selection overlay) waits for them before it counts as out of
    // sight. Checked every 5 s meanwhile, so either way the loss is told
    // within a minute of the first check that could not read the box.
    static constexpr std::chrono::seconds coveredWait{25};
    // When the tick after one that was due at `due` and ended at `ended`
    // falls due, `pause` being the pause after it; `afterStart` when that
    // was the tick run at the start.
    static std::chrono::steady_clock::time_point nextTick(std::chrono::steady_clock::time_point due,
                                                          std::chrono::steady_clock::time_point ended,
                                                          std::chrono::seconds pause, bool afterStart);

private:
    using Clock = std::chrono::steady_clock;
    using Next = std::function<void()>;

    // One usable capture: the picture, its change grid, and whether it
    // differs from the capture before.
    struct Shot {
        Image image;
        DiffGrid grid;
        bool changed = false;
    };
    using ShotRef = std::shared_ptr<const Shot>;

    // Where the list puts a bound box's window, asked before any capture of it.
    enum class WindowSeen { notBound, onScreen, offScreen, unlisted, closed, unknown };

    // The loop, one tick, sight (watch_runner.cpp).
    void tick();
    void pictureIfDue();
    void endTick();
    std::chrono::seconds pause() const;
    // Seconds between picture checks while the box is in sight.
    int checkSeconds() const;
    int pollSeconds() const;
    bool readsDirectly() const { return direct_.session || direct_.pending; }
    // No gate of the watch may fire before a check finds the condition not met.
    bool told() const;
    bool updateSight();
    void lookForWindow(std::function<void(WindowSeen)> done);
    // Whether the bound window is known closed, once `listed` (a list's
    // entry for its id, if any) is looked at too.
    bool windowClosed(const std::optional<WindowInfo>& listed);

    // Reports to the host under this watch's id (a copy: the host may end
    // this runner meanwhile). False when the runner was stopped, restarted or
    // destroyed during the report: the caller then returns at once.
    template <typename Method, typename... Args>
    bool tell(Method method, Args&&... args) {
        const std::weak_ptr<const int> life = life_;
        const unsigned run = run_;
        const std::string id = spec_.id;
        (host_.*method)(id, std::forward<Args>(args)...);
        return !life.expired() && run_ == run;
    }

    // The picture check (watch_runner_picture.cpp).
    void check(Next next);
    void capture(WindowSeen seen, Next next);
    void look(Image captured, DiffGrid grid, Next next);
    void readText(ShotRef shot, Next next);
    // `still`: the box shows what the previous check read.
    void recognize(ShotRef shot, bool still, Next next);
    void gatePicture(const ShotRef& shot, bool still, Next next);
    void pictureBark(const ShotRef& shot, Next next);
    bool loseWindow(WindowLoss loss);
    bool captureFailed(const CaptureError& error);

    // Judging by the server's model (watch_runner_model.cpp).
    void askTheModel(ShotRef shot, Next next);
    // Sets `client` when a picture may go to the model now; otherwise none,
    // with the trouble that says why. Asked before encoding and again right
    // before sending. False when a report stopped the runner.
    bool modelClient(std::optional<CloudClient>& client);
    void encodeForTheModel(ShotRef shot, Next next);
    void sendToTheModel(const ShotRef& shot, CloudImage current, Next next);
    void modelAnswered(const CheckResponse& answer, const ShotRef& shot, const CloudImage& sent, Next next);
    void modelFailed(const CloudError& error, Next next);
    std::optional<std::string> backAt(const ModelPause& pause) const;

    // Direct reading (watch_runner_direct.cpp).
    void directRead(const DirectAnswer& answer);
    void barkFromTheDirectReader(std::optional<Evaluation> evaluation, Next next);
    void takeProof(std::function<void(SharedImage)> done);
    void decideDirectBark(SharedImage proof, std::optional<Evaluation> evaluation, Next next);
    void barkWithTheNumberShown(SharedImage proof, Evaluation evaluation, Next next);
    void candidateRead(Next then);
    void tryToAdopt(const std::vector<OCRLine>& pictureLines, Next then);

    // What the picture check keeps from one tick to the next.
    struct PictureState {
        // A fresh or told runner must see the condition not met once before a gate fires.
        PictureState(int checks, bool armed, Clock::time_point now)
            : gate(checks, armed), settled(checks, armed), lastChangeAt(now) {}
        std::optional<DiffGrid> lastGrid;
        std::optional<DiffGrid> referenceGrid;  // what any_change compares against
        std::optional<Evaluation> lastEvaluation;
        // The picture lastEvaluation was read from (shared, never copied): it is
        // counted again only for a picture that shows the same.
        SharedImage evaluated;
        TriggerGate gate;
        SettledGate settled;  // in place of gate for a rule that waits for stillness
        Clock::time_point lastChangeAt;
        std::vector<std::string> baselineLines;
        std::vector<std::string> currentLines;
        bool freshLines = false;
        std::optional<Clock::time_point> lastCheck;
    };

    // Whether the box is in sight, and what was said about it.
    struct Sight {
        bool lost = false;
        bool lostWindow = false;  // lost because of the bound window
        bool lostUnread = false;  // lost because nothing of the box could be read
        bool reported = false;
        std::optional<WindowLoss> pendingLoss;
        int unreadable = 0;  // checks in a row whose picture could not be made at all
        std::optional<Clock::time_point> coveredSince;  // the first of such checks under our passing windows
    };

    // Judging by the server's model.
    struct ModelState {
        ModelState(int checks, bool armed) : debounce(checks, armed) {}
        CloudDebounce debounce;  // answers in a row before one counts
        std::shared_ptr<const Image> baselineCrop;
        bool savedCropWanted = false;  // the saved crop is the baseline, once read
        std::optional<CloudImage> baselineSent;
        bool needsJudging = false;
        Clock::time_point holdOffUntil = Clock::time_point::min();
        int maxSide = CloudImage::maxSide;
    };

    // Reading straight from the window.
    struct DirectState {
        std::shared_ptr<DirectSession> session;
        std::optional<DirectDecider> decider;
        bool pending = false;  // a session is still being looked for
        std::optional<DirectAnswer> pendingAnswer;
        std::shared_ptr<DirectSession> pendingSession;
        bool adoptionTried = false;
        bool counted = false;
        // The bound window as this tick's read found it listed: the tick's
        // captures take it for a look at the window list of their own.
        std::optional<WindowInfo> listed;
    };

    const WatchSpec spec_;
    std::optional<BoundWindow> bound_;  // for a box bound to a window
    RunnerHost& host_;
    RunnerServices services_;
    int interval_;
    bool freshStart_;
    const bool startedArmed_;  // neither fresh nor told: deciders made later start armed
    bool toldReported_;
    PictureState picture_;
    Sight sight_;
    ModelState model_;
    DirectState direct_;

    std::shared_ptr<const int> life_ = std::make_shared<const int>(0);
    unsigned run_ = 0;  // moves on at every start and stop
    bool running_ = false;
    Clock::time_point tickDue_;  // when the tick under way (or the last) was due
    bool startTick_ = false;     // the tick under way is the one run at the start
    // Last, so they are dropped first.
    Pending sleep_;
    Pending step_;
};

class WatchRunnerFactory final : public RunnerFactory {
public:
    explicit WatchRunnerFactory(RunnerServices services);
    std::unique_ptr<Runner> make(RunnerStart start, RunnerHost& host) override;

private:
    RunnerServices services_;
};

}  // namespace kestrove
