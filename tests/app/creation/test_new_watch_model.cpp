// The new-watch dialogue without a display: every road from a sentence to a
// stage through the real local compiler (whose outcomes are its own test's),
// and the model's answers through a fake question that the test answers on
// a manual main thread.

#include <gtest/gtest.h>

#include <functional>

#include "app/creation/new_watch_model.hpp"
#include "core/copy/copy_status.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using Answer = WatchSetup::Answer;
using StageKind = NewWatchStage::Kind;
using QKind = JudgeQuestion::Kind;
using Strings = std::vector<std::string>;

const WatchRegion box{7, 10, 20, 300, 120, 1, std::nullopt};
const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};

BaselineReading readingOf(Strings texts) {
    std::vector<OCRLine> lines;
    double y = 0.05;
    for (auto& t : texts) {
        lines.push_back({std::move(t), {0.05, y, 0.9, 0.1}, 0.9});
        y += 0.15;
    }
    return BaselineReading(std::move(lines));
}

// What the model judged "a new message arrives" to be.
WatchSpec modelSpec(WatchType type, WatchMode mode = WatchMode::once) {
    WatchSpec s;
    s.id = "w_MODEL1";
    s.command = "a new message arrives";
    s.type = type;
    s.mode = mode;
    s.region = box;
    return s;
}

enum class Server { ready, localOnly, notSetUp };

// A question the test answers by hand.
struct Question {
    WatchSpec spec;
    bool hasCrop = false;
    Date now;
    std::shared_ptr<Completion> completion;
    std::function<void(Answer)> done;
};

struct Dialogue {
    testing::ManualExecutor main;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    std::shared_ptr<PictureEncoder> encoder = std::make_shared<PictureEncoder>(main.executor(), 0);
    std::vector<Question> questions;
    std::vector<WatchSpec> started;
    int cancels = 0;
    std::unique_ptr<NewWatchModel> model;

    explicit Dialogue(Server server = Server::notSetUp) {
        if (server != Server::notSetUp) store->set(CloudSettings::baseURLKey, std::string("http://127.0.0.1:9"));
        CloudSettings settings(store, std::nullopt);
        if (server == Server::localOnly) settings.setLocalOnly(true);
        NewWatchServices services{settings, CloudSession::make(), main.executor(), [] { return t0; },
                                  [](Date d) { return d == t0 + hours(3) ? std::string("12:00") : std::string("?"); }};
        services.ask = [this](const WatchSetup&, const WatchSpec& spec, std::optional<CloudImage> crop, Date now,
                              Executor, std::function<void(Answer)> done) {
            auto completion = std::make_shared<Completion>();
            questions.push_back({spec, crop.has_value(), now, completion, std::move(done)});
            return Pending(completion);
        };
        services.encoder = encoder;
        model = std::make_unique<NewWatchModel>(box, std::move(services));
        model->onStart = [this](const WatchSpec& s) { started.push_back(s); };
        model->onCancel = [this] { ++cancels; };
    }

    void say(const std::string& sentence) {
        model->setText(sentence);
        model->submit();
    }
    // Consents to asking the model about "a new message arrives" and asks.
    Question& ask(bool withImage = true) {
        if (withImage) model->image = Image(40, 20);
        model->setReading(BaselineReading::empty());
        say("a new message arrives");
        const auto* consent = judge()->as<JudgeQuestion::Consent>();
        model->askTheModel(consent->spec, consent->fallback);
        while (encoder->runAll() + main.runPending() > 0) {
        }
        return questions.back();
    }
    // The model's answer to question `i`, through the main thread.
    void answer(std::size_t i, Answer a) {
        auto& q = questions.at(i);
        q.completion->deliver(main.executor(), [done = q.done, a] { done(a); });
        main.runPending();
    }
    const JudgeQuestion* judge() const {
        auto* j = model->stage().as<NewWatchStage::Judge>();
        return j ? &j->question : nullptr;
    }
    std::optional<QKind> question() const { return judge() ? std::optional(judge()->kind()) : std::nullopt; }
    const WatchSpec* confirmed() const {
        auto* c = model->stage().as<NewWatchStage::Confirm>();
        return c ? &c->spec : nullptr;
    }
    // The too-vague input stage with its examples.
    void expectTooVague(const Strings& examples) const {
        ASSERT_EQ(model->stage(), (NewWatchStage{NewWatchStage::Input{std::string(Copy::tooVague)}}));
        EXPECT_EQ(model->suggestions(), examples);
    }
};

TEST(NewWatchModel, EverySentenceReachesItsStage) {
    struct Case {
        const char* sentence;
        Strings lines;
        Server server;
        StageKind stage;
        std::optional<QKind> question;
    };
    const Case cases[] = {
        {"the price drops below 100", {"Price: 249.99 EUR"}, Server::ready, StageKind::confirm, {}},
        // The compiler's outcome is shown as it is.
        {"price drops below 100", {"Was 150 €", "Now 120 €"}, Server::ready, StageKind::clarify, {}},
        {"a new message arrives", {}, Server::ready, StageKind::judge, QKind::consent},
        {"a new message arrives", {}, Server::localOnly, StageKind::judge, QKind::localOnly},
        {"a new message arrives", {}, Server::notSetUp, StageKind::judge, QKind::notSetUp},
        // Too vague: the model may make sense of it when it can be asked.
        {"hmm", {"Uploading…"}, Server::ready, StageKind::judge, QKind::consent},
        {"hmm", {"Uploading…"}, Server::notSetUp, StageKind::input, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sentence) + " / server " + std::to_string(int(c.server)));
        Dialogue d(c.server);
        d.model->setReading(readingOf(c.lines));
        d.model->setMode(WatchMode::everyTime);
        d.say(c.sentence);
        ASSERT_EQ(d.model->stage().kind(), c.stage);
        EXPECT_FALSE(d.model->waitingFor());
        EXPECT_EQ(d.model->mode(), WatchMode::everyTime);
        if (auto* clarify = d.model->stage().as<NewWatchStage::Clarify>()) {
            EXPECT_EQ(clarify->outcome.kind(), CompileOutcome::Kind::whichNumber);
        }
        EXPECT_EQ(d.question(), c.question);
        if (c.stage == StageKind::input)
            d.expectTooVague({"this changes", "\"Uploading…\" is gone", "the number drops below 100"});
        if (auto* spec = d.confirmed()) {
            EXPECT_EQ(spec->type, WatchType::numberCompare);
            EXPECT_EQ(spec->region, box);
        }
        EXPECT_TRUE(d.questions.empty()) << "nothing is sent before consent";
    }
}

TEST(NewWatchModel, ASentenceWaitsForTheReadingUnlessItWatchesAnyChange) {
    Dialogue d;
    d.say("   ");
    EXPECT_EQ(d.model->stage(), NewWatchStage{});
    EXPECT_FALSE(d.model->waitingFor());

    d.say("the price drops below 100");
    EXPECT_EQ(d.model->stage(), NewWatchStage{});
    EXPECT_EQ(d.model->waitingFor(), std::string(Copy::readingArea));
    EXPECT_TRUE(d.model->isWaiting());

    d.model->setReading(readingOf({"Price: 249.99 EUR"}));
    ASSERT_NE(d.confirmed(), nullptr);
    EXPECT_FALSE(d.model->isWaiting());
    EXPECT_EQ(d.confirmed()->baseline.currentValue, 249.99);

    Dialogue change;
    change.say("this changes");
    ASSERT_NE(change.confirmed(), nullptr);
    EXPECT_EQ(change.confirmed()->type, WatchType::anyChange);
    EXPECT_FALSE(change.model->waitingFor());
    EXPECT_TRUE(change.model->isWaiting()) << "the reading has not come yet";
}

// The box is read again when the sentence is submitted: the card shows what
// it shows then, not what it showed when it was drawn.
TEST(NewWatchModel, ASubmittedSentenceIsJudgedAgainstTheBoxAsItIsNow) {
    Dialogue d;
    int reads = 0;
    d.model->readAgain = [&] { ++reads; };
    d.model->setReading(readingOf({"Ends in 38 s"}));
    d.say("the number drops below 10");
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(d.model->waitingFor(), std::string(Copy::readingArea));
    EXPECT_EQ(d.confirmed(), nullptr);
    d.model->setReading(readingOf({"Ends in 31 s"}));
    ASSERT_NE(d.confirmed(), nullptr);
    EXPECT_EQ(d.confirmed()->baseline.currentDisplay, "31");
    EXPECT_EQ(reads, 1) << "one reading a submit";
    EXPECT_FALSE(d.model->waitingFor());
    // The next submit reads again; a sentence sent before the first reading
    // came uses that first reading, which is new.
    d.say("the number drops below 20");
    EXPECT_EQ(reads, 2);
    Dialogue early;
    early.model->readAgain = [&] { ++reads; };
    early.say("the number drops below 10");
    early.model->setReading(readingOf({"Ends in 12 s"}));
    ASSERT_NE(early.confirmed(), nullptr);
    EXPECT_EQ(reads, 2);
}

TEST(NewWatchModel, SuggestionsChipsAndTheModeOfTheStartedWatch) {
    Dialogue d;
    d.model->setReading(readingOf({"Uploading…"}));
    EXPECT_EQ(d.model->suggestions(), (Strings{"this changes", "\"Uploading…\" is gone"}));
    d.say("hmm");
    const auto examples = d.model->suggestions();
    ASSERT_EQ(examples.size(), 3u);
    d.model->setReading(readingOf({"Price 12 €"}));
    EXPECT_EQ(d.model->suggestions(), examples) << "a too-vague message keeps its examples";

    // A chip submits its sentence; the mode is written into the started watch.
    d.model->useSuggestion(0);
    EXPECT_EQ(d.model->text(), "this changes");
    ASSERT_NE(d.confirmed(), nullptr);
    const WatchSpec shown = *d.confirmed();
    EXPECT_EQ(shown.type, WatchType::anyChange);
    d.model->setMode(WatchMode::everyTime);
    EXPECT_EQ(d.confirmed()->mode, WatchMode::once) << "the card keeps its watch until started";
    d.model->start(shown);
    ASSERT_EQ(d.started.size(), 1u);
    EXPECT_EQ(d.started[0].mode, WatchMode::everyTime);
    EXPECT_EQ(d.started[0].id, shown.id);
    EXPECT_EQ(d.started[0].createdAt, t0) << "made at the services' clock";
}

TEST(NewWatchModel, APickedNumberCompilesTheSentenceAgain) {
    Dialogue d;
    d.model->pickNumber(ReadNumber{});
    EXPECT_EQ(d.model->stage(), NewWatchStage{}) << "no reading, nothing to pick from";
    d.model->setReading(readingOf({"Was 150 €", "Now 120 €"}));
    d.say("price drops below 130");
    const auto* which = d.model->stage().as<NewWatchStage::Clarify>()->outcome.as<CompileOutcome::WhichNumber>();
    ASSERT_NE(which, nullptr);
    ASSERT_EQ(which->candidates.size(), 2u);
    d.model->pickNumber(which->candidates[1]);
    auto* clarify = d.model->stage().as<NewWatchStage::Clarify>();
    ASSERT_NE(clarify, nullptr);
    ASSERT_EQ(clarify->outcome.kind(), CompileOutcome::Kind::alreadyTrue);
    EXPECT_EQ(clarify->outcome.as<CompileOutcome::AlreadyTrue>()->read, "120");
}

TEST(NewWatchModel, EachAnswerOfTheModelBecomesItsStage) {
    const WatchSpec once = modelSpec(WatchType::newItem);
    struct Case {
        const char* what;
        Answer answer;
        StageKind stage;
        std::optional<QKind> question;
    };
    const Case cases[] = {
        {"confirm", {Answer::Setup{{JudgeSetup::Confirm{modelSpec(WatchType::newItem, WatchMode::everyTime)}}}},
         StageKind::confirm, {}},
        {"two readings", {Answer::Setup{{JudgeSetup::TwoReadings{once, {WatchType::newItem, WatchType::anyChange}}}}},
         StageKind::judge, QKind::twoReadings},
        {"not visible", {Answer::Setup{{JudgeSetup::NotVisible{once}}}}, StageKind::judge, QKind::notVisible},
        {"already true", {Answer::Setup{{JudgeSetup::AlreadyTrue{once, modelSpec(WatchType::anyChange)}}}},
         StageKind::judge, QKind::alreadyTrue},
        {"too vague", {Answer::Setup{{JudgeSetup::TooVague{}}}}, StageKind::input, {}},
        {"used up until noon", {Answer::UsedUp{t0 + hours(3)}}, StageKind::judge, QKind::usedUp},
        {"used up", {Answer::UsedUp{std::nullopt}}, StageKind::judge, QKind::usedUp},
        {"unreachable", {Answer::Unreachable{}}, StageKind::judge, QKind::unreachable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dialogue d(Server::ready);
        const Question& q = d.ask();
        const WatchSpec asked = q.spec;
        // Meanwhile the input stage says what it waits for.
        EXPECT_EQ(d.model->stage(), NewWatchStage{});
        EXPECT_EQ(d.model->waitingFor(), std::string(Copy::asking));
        EXPECT_TRUE(q.hasCrop);
        EXPECT_EQ(q.now, t0);
        EXPECT_EQ(asked.createdAt, t0);
        d.answer(0, c.answer);
        ASSERT_EQ(d.model->stage().kind(), c.stage);
        EXPECT_FALSE(d.model->waitingFor());
        EXPECT_FALSE(d.model->isAsking());
        EXPECT_EQ(d.question(), c.question);
        if (auto* spec = d.confirmed()) {
            EXPECT_EQ(spec->id, "w_MODEL1");
            EXPECT_EQ(d.model->mode(), WatchMode::everyTime) << "the model's mode moves the picker";
        }
        if (auto* used = d.judge() ? d.judge()->as<JudgeQuestion::UsedUp>() : nullptr) {
            const bool known = std::get<Answer::UsedUp>(c.answer.value).back.has_value();
            EXPECT_EQ(used->backAt, known ? std::optional<std::string>("12:00") : std::nullopt);
        }
        if (auto* gone = d.judge() ? d.judge()->as<JudgeQuestion::Unreachable>() : nullptr) {
            EXPECT_EQ(gone->spec, asked);
            EXPECT_EQ(gone->fallback.type, WatchType::anyChange);
        }
        if (c.stage == StageKind::input)
            d.expectTooVague({"this changes", "it says \"Done\"", "the number drops below 100"});
    }
}

TEST(NewWatchModel, AnAnswerOvertakenByTheUserChangesNothing) {
    const Answer late{Answer::Setup{{JudgeSetup::NotVisible{WatchSpec{}}}}};
    const std::pair<const char*, std::function<void(Dialogue&)>> overtaken[] = {
        {"cancelled", [](Dialogue& d) { d.model->cancel(); }},
        {"a newer sentence", [](Dialogue& d) { d.say("it is at least 50"); }},
        {"a newer question", [](Dialogue& d) { d.model->askTheModel(d.questions[0].spec, d.questions[0].spec); }},
    };
    Dialogue blind(Server::ready);
    EXPECT_FALSE(blind.ask(/*withImage=*/false).hasCrop) << "no picture, no crop";
    for (const auto& [what, overtake] : overtaken) {
        SCOPED_TRACE(what);
        Dialogue d(Server::ready);
        d.ask();
        overtake(d);
        const NewWatchStage before = d.model->stage();
        d.questions[0].done(late);  // even if the answer got through
        EXPECT_EQ(d.model->stage(), before);
        EXPECT_TRUE(d.questions[0].completion->cancelled()) << "and it cannot";
        if (what == std::string("cancelled")) {
            EXPECT_EQ(d.cancels, 1);
            EXPECT_FALSE(d.model->isAsking());
        }
    }
}

TEST(NewWatchModel, PickingOneOfTwoReadings) {
    WatchSpec spec = modelSpec(WatchType::stateReached);
    spec.fallbackFrom = WatchType::stateReached;
    struct Case {
        WatchType kind;
        std::optional<WatchType> confirmed;  // none: back to the input stage
        std::optional<std::string> example;
    };
    const Case cases[] = {
        {WatchType::anyChange, WatchType::anyChange, {}},
        {WatchType::stateReached, WatchType::stateReached, {}},
        {WatchType::newItem, WatchType::newItem, {}},
        {WatchType::newLine, WatchType::newItem, {}},
        {WatchType::textAppears, {}, "it says \"Done\""},
        {WatchType::textGone, {}, "\"Loading\" is gone"},
        {WatchType::numberCompare, {}, "the number drops below 100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rawValue(c.kind));
        Dialogue d;
        d.model->pickReading(c.kind, spec);
        if (c.confirmed) {
            ASSERT_NE(d.confirmed(), nullptr);
            EXPECT_EQ(d.confirmed()->type, *c.confirmed);
            EXPECT_EQ(d.confirmed()->id, "w_MODEL1");
            EXPECT_TRUE(c.kind != WatchType::anyChange || !d.confirmed()->fallbackFrom) << "any change is no fallback";
        } else {
            EXPECT_EQ(d.model->stage(), (NewWatchStage{NewWatchStage::Input{std::string(NewWatchModel::pickWordsMessage)}}));
            EXPECT_EQ(d.model->suggestions(), Strings{*c.example});
        }
    }
}

TEST(NewWatchModel, DirectReadingIsKeptOnlyWhenTheOfferAgrees) {
    Dialogue d;
    d.model->setReading(readingOf({"Status: Done"}));
    WatchSpec spec;
    spec.type = WatchType::textAppears;
    spec.target.text = "Done";
    spec.region.window = WindowAnchor{42, "Editor", std::nullopt, 0, 0, 400, 300};
    spec.direct = DirectInfo{false};
    EXPECT_FALSE(d.model->withDirect(spec).direct) << "no offer";
    d.model->directOffer = DirectOffer{readingOf({"Status: Done"}).lines, true};
    d.model->confirm(spec);
    EXPECT_EQ(d.confirmed()->direct, DirectInfo{true}) << "every way into the confirm stage adopts";
    d.model->directOffer = DirectOffer{readingOf({"Status: Failed"}).lines, false};
    EXPECT_FALSE(d.model->withDirect(spec).direct);
}

}  // namespace
}  // namespace kestrove
