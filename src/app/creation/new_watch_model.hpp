#pragma once
// The state of the new-watch dialogue for one drawn box: the sentence, the
// stage the panel shows, the example sentences, the once / every-time
// choice and what is being waited for. Sentences go through WatchSetup (the
// local compiler, and the server's model only after the user agreed); every
// answer becomes the next stage. Main thread only; no widgets, so it runs
// in tests without a display. The views observe it and call its operations.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/creation/new_watch_stage.hpp"
#include "core/cloud/cloud_image.hpp"
#include "core/cloud/picture_encoder.hpp"
#include "core/cloud/watch_setup.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/pending.hpp"
#include "core/foundation/time_of_day.hpp"
#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"

namespace kestrove {

// What the dialogue needs from outside.
struct NewWatchServices {
    using Ask = std::function<Pending(const WatchSetup& setup, const WatchSpec& spec, std::optional<CloudImage> crop,
                                      Date now, Executor executor, std::function<void(WatchSetup::Answer)> done)>;

    CloudSettings settings;
    std::shared_ptr<CloudSession> session;  // the application's server session
    Executor mainThread;                    // model answers come back through it
    std::function<Date()> now = [] { return std::chrono::system_clock::now(); };
    // "14:05": no date, the locale's short style.
    std::function<std::string(Date)> timeOfDay = [](Date when) { return TimeOfDay::shortTime(when); };
    Ask ask = realAsk();  // the model question
    // Makes the crop sent with the question off the main thread; one of the
    // model's own when none is given.
    std::shared_ptr<PictureEncoder> encoder = nullptr;

    static Ask realAsk();
};

// What a direct read of the bound window gave for the box.
struct DirectOffer {
    std::vector<OCRLine> lines;
    bool onScreenOnly = true;
};

class NewWatchModel {
public:
    // The text shown under the field after the user picked a text kind among
    // the model's two readings.
    static constexpr std::string_view pickWordsMessage = "Then tell me which words or which number, like this:";

    NewWatchModel(WatchRegion region, NewWatchServices services, std::optional<BaselineReading> reading = std::nullopt);
    ~NewWatchModel();
    NewWatchModel(const NewWatchModel&) = delete;
    NewWatchModel& operator=(const NewWatchModel&) = delete;

    // Observers run after every operation that may have changed what is
    // shown. The subscription ends with its handle.
    class Subscription;
    [[nodiscard]] std::unique_ptr<Subscription> observe(std::function<void()> changed);

    // Shown state.
    const std::string& text() const { return text_; }
    const NewWatchStage& stage() const { return stage_; }
    const std::vector<std::string>& suggestions() const { return suggestions_; }
    WatchMode mode() const { return mode_; }
    const std::optional<BaselineReading>& reading() const { return reading_; }
    const std::optional<std::string>& waitingFor() const { return waitingFor_; }
    bool isWaiting() const { return !reading_ || waitingFor_; }
    bool isAsking() const { return asking_.has_value(); }
    const WatchRegion& region() const { return region_; }

    // Set by the panel and the road before the panel shows.
    std::optional<Image> image;  // the crop at full size, sent to the model
    std::optional<DirectOffer> directOffer;
    std::function<void(const WatchSpec&)> onStart;
    std::function<void()> onCancel;
    // Set by the road: reads the box again (a new capture and its text) and
    // answers with setReading. A sentence is then judged against what the
    // box shows when it is submitted, not when the box was drawn.
    std::function<void()> readAgain;

    // What the views call.
    void setText(std::string text);
    void setMode(WatchMode mode);
    void submit();
    // A suggestion chip: its sentence is submitted.
    void useSuggestion(std::size_t index);
    // The number the user meant after a whichNumber question.
    void pickNumber(const ReadNumber& number);
    // Any card button that confirms a watch.
    void confirm(const WatchSpec& spec);
    // By value: the two often live in the stage this replaces.
    void askTheModel(WatchSpec spec, WatchSpec fallback);
    void pickReading(WatchType kind, const WatchSpec& spec);
    void start(const WatchSpec& spec);
    // Cancel and Escape: any model answer still on its way is dropped.
    void cancel();
    // The sentence field again, without a message; the sentence stays.
    void backToInput();
    // No example chips under the field.
    void clearSuggestions();

    // What the road and the model's own steps call.
    void setReading(BaselineReading reading);
    void apply(const WatchSetup::Step& step);
    void apply(const JudgeSetup& answer, std::vector<std::string> examples);
    // The watch, reading directly only when the direct offer agrees with the
    // picture for its rule.
    WatchSpec withDirect(const WatchSpec& spec) const;

private:
    WatchSetup setup() const;
    void compileNow(const std::string& sentence, const BaselineReading& reading);
    void answered(std::uint64_t token, const WatchSpec& spec, const WatchSpec& fallback, WatchSetup::Answer answer);
    void dropQuestion();
    void setStage(NewWatchStage::Value stage);
    void changed();

    WatchRegion region_;
    NewWatchServices services_;
    std::string text_;
    NewWatchStage stage_;
    std::vector<std::string> suggestions_;
    WatchMode mode_ = WatchMode::once;
    std::optional<BaselineReading> reading_;
    std::optional<std::string> waitingFor_;
    bool pendingSubmit_ = false;
    bool readingFresh_ = false;  // the reading came for the submit waiting
    std::optional<std::uint64_t> asking_;  // the token of the model question in flight
    std::uint64_t nextToken_ = 1;
    Pending question_;

    struct Observers;
    std::shared_ptr<Observers> observers_;
};

class NewWatchModel::Subscription {
public:
    ~Subscription();

private:
    friend class NewWatchModel;
    Subscription(std::weak_ptr<Observers> observers, std::uint64_t id) : observers_(std::move(observers)), id_(id) {}
    std::weak_ptr<Observers> observers_;
    std::uint64_t id_;
};

}  // namespace kestrove
