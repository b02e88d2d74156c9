#pragma once
// Every state the new-watch panel can show, each reached through the model's
// own operations, for the drawing and fit tests and the benchmark.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/creation/new_watch_panel.hpp"
#include "support/app/rendered_text.hpp"
#include "support/manual_executor.hpp"

namespace kestrove::panelstates {

using namespace std::chrono;

inline const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};
inline const ScreenInfo screen{"DP-1", 7, {0, 0, 1280, 800}, {0, 0, 1280, 776}, 1};

// A box over a price line, and its crop with the text drawn in.
inline SelectedRegion priceBox() { return SelectedRegion::make(screen, {200, 180, 360, 40}); }
inline Image priceCrop() { return rendered::crop(360, 40, {{"Price: 249.99 EUR", 8, 28, 20}}); }

inline BaselineReading readingOf(std::vector<std::string> texts) {
    std::vector<OCRLine> lines;
    double y = 0.1;
    for (auto& t : texts) {
        lines.push_back({std::move(t), {0.02, y, 0.9, 0.6 / double(texts.size())}, 0.93});
        y += 0.8 / double(texts.size());
    }
    return BaselineReading(std::move(lines));
}

// A panel whose model questions wait until the test answers them.
struct Harness {
    testing::ManualExecutor main;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    std::vector<std::function<void(WatchSetup::Answer)>> questions;
    std::shared_ptr<PictureEncoder> encoder = std::make_shared<PictureEncoder>(main.executor(), 0);
    std::unique_ptr<NewWatchPanel> panel;

    explicit Harness(bool serverReady = true, SelectedRegion box = priceBox(), Image crop = priceCrop()) {
        if (serverReady) store->set(CloudSettings::baseURLKey, std::string("http://127.0.0.1:9"));
        NewWatchServices services{CloudSettings(store, std::nullopt), CloudSession::make(), main.executor(),
                                  [] { return t0; }, [](Date) { return std::string("2:30 PM"); }};
        services.ask = [this](const WatchSetup&, const WatchSpec&, std::optional<CloudImage>, Date, Executor,
                              std::function<void(WatchSetup::Answer)> done) {
            questions.push_back(std::move(done));
            return Pending();
        };
        services.encoder = encoder;
        panel = std::make_unique<NewWatchPanel>(box, crop, std::move(services));
    }
    NewWatchModel& model() { return panel->model(); }
    void say(const std::string& sentence) {
        model().setText(sentence);
        model().submit();
    }
    // Consent for a model-judged sentence, then the question.
    void ask() {
        model().setReading(BaselineReading::empty());
        say("a new message arrives");
        const auto* consent = model().stage().as<NewWatchStage::Judge>()->question.as<JudgeQuestion::Consent>();
        model().askTheModel(consent->spec, consent->fallback);
        while (encoder->runAll() + main.runPending() > 0) {
        }
    }
    void answer(WatchSetup::Answer a) { questions.back()(std::move(a)); }
    WatchSpec judged(WatchType type = WatchType::stateReached) {
        return LocalCompiler::judgeSpec("the build is green", type, readingOf({"Build #2211 running"}),
                                        model().region(), "w_JUDGE1", t0);
    }
};

struct State {
    std::string name;
    std::function<void(Harness&)> reach;
    bool serverReady = true;
};

inline std::vector<State> all() {
    using Answer = WatchSetup::Answer;
    const auto priced = [](Harness& h) { h.model().setReading(readingOf({"Price: 249.99 EUR"})); };
    return {
        {"input-reading", [](Harness&) {}},
        {"input-waiting", [](Harness& h) { h.say("the price drops below 100"); }},
        {"input-suggestions", priced},
        {"input-typed", [priced](Harness& h) { priced(h), h.model().setText("the price drops"); }},
        {"input-too-vague", [priced](Harness& h) { priced(h), h.say("hmm"); }, false},
        {"input-asking", [](Harness& h) { h.ask(); }},
        {"input-pick-words", [](Harness& h) { h.model().pickReading(WatchType::numberCompare, h.judged()); }},
        {"confirm-number", [priced](Harness& h) { priced(h), h.say("the price drops below 100"); }},
        {"confirm-text", [priced](Harness& h) { priced(h), h.say("\"Sold out\" appears"); }},
        {"confirm-any-change", [priced](Harness& h) { priced(h), h.say("this changes"); }},
        {"confirm-judged",
         [](Harness& h) {
             h.ask();
             h.answer({Answer::Setup{{JudgeSetup::Confirm{h.judged()}}}});
         }},
        {"confirm-every-time",
         [priced](Harness& h) { priced(h), h.say("the price drops below 100"), h.model().setMode(WatchMode::everyTime); }},
        {"clarify-already-true", [](Harness& h) { h.model().setReading(readingOf({"80"})), h.say("it is at least 50"); }},
        {"clarify-already-true-unread",
         [](Harness& h) {
             const WatchSpec spec = h.judged(WatchType::textGone);
             const CompileOutcome outcome{CompileOutcome::AlreadyTrue{spec, std::nullopt, LocalCompiler::anyChangeFallback(spec)}};
             h.model().apply(WatchSetup::Step{WatchSetup::Step::Decided{outcome}});
         }},
        {"clarify-which-number",
         [](Harness& h) {
             h.model().setReading(readingOf({"Was 150 EUR", "Now 120 EUR", "Save 30 EUR"}));
             h.say("price drops below 100");
         }},
        {"clarify-not-visible", [](Harness& h) { h.model().setReading(readingOf({"Please wait"})), h.say("the queue is below 5"); }},
        {"clarify-already-visible", [priced](Harness& h) { priced(h), h.say("\"Price\" appears"); }},
        {"clarify-no-text", [](Harness& h) { h.model().setReading(BaselineReading::empty()), h.say("the spinner is gone"); }},
        {"judge-consent", [](Harness& h) { h.model().setReading(BaselineReading::empty()), h.say("a new message arrives"); }},
        {"judge-local-only",
         [](Harness& h) {
             CloudSettings(h.store, std::nullopt).setLocalOnly(true);
             h.model().setReading(BaselineReading::empty()), h.say("a new message arrives");
         }},
        {"judge-not-set-up", [](Harness& h) { h.model().setReading(BaselineReading::empty()), h.say("a new message arrives"); },
         false},
        {"judge-unreachable", [](Harness& h) { h.ask(), h.answer({Answer::Unreachable{}}); }},
        {"judge-used-up", [](Harness& h) { h.ask(), h.answer({Answer::UsedUp{std::nullopt}}); }},
        {"judge-used-up-back-at", [](Harness& h) { h.ask(), h.answer({Answer::UsedUp{t0 + hours(5)}}); }},
        {"judge-two-readings",
         [](Harness& h) {
             h.ask();
             h.answer({Answer::Setup{{JudgeSetup::TwoReadings{h.judged(), {WatchType::newItem, WatchType::anyChange}}}}});
         }},
        {"judge-not-visible", [](Harness& h) { h.ask(), h.answer({Answer::Setup{{JudgeSetup::NotVisible{h.judged()}}}}); }},
        {"judge-already-true",
         [](Harness& h) {
             h.ask();
             h.answer({Answer::Setup{{JudgeSetup::AlreadyTrue{h.judged(), LocalCompiler::anyChangeFallback(h.judged())}}}});
         }},
    };
}

}  // namespace kestrove::panelstates
