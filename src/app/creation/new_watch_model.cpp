#include "app/creation/new_watch_model.hpp"

#include <utility>

#include <map>

#include "core/copy/copy_status.hpp"
#include "core/foundation/text.hpp"
#include "core/rules/command_parser.hpp"
#include "core/windows/direct_agreement.hpp"

namespace kestrove {

struct NewWatchModel::Observers {
    std::map<std::uint64_t, std::function<void()>> list;
    std::uint64_t next = 1;
};

NewWatchModel::Subscription::~Subscription() {
    if (auto observers = observers_.lock()) observers->list.erase(id_);
}

NewWatchServices::Ask NewWatchServices::realAsk() {
    return [](const WatchSetup& setup, const WatchSpec& spec, std::optional<CloudImage> crop, Date now,
              Executor executor, std::function<void(WatchSetup::Answer)> done) {
        return setup.askTheModel(spec, std::move(crop), now, std::move(executor), std::move(done));
    };
}

NewWatchModel::NewWatchModel(WatchRegion region, NewWatchServices services, std::optional<BaselineReading> reading)
    : region_(std::move(region)), services_(std::move(services)), observers_(std::make_shared<Observers>()) {
    if (reading) setReading(std::move(*reading));
}

NewWatchModel::~NewWatchModel() = default;

std::unique_ptr<NewWatchModel::Subscription> NewWatchModel::observe(std::function<void()> changed) {
    const auto id = observers_->next++;
    observers_->list.emplace(id, std::move(changed));
    return std::unique_ptr<Subscription>(new Subscription(observers_, id));
}

void NewWatchModel::changed() {
    // An observer may end its own or another's subscription while we call.
    std::vector<std::uint64_t> ids;
    for (const auto& [id, fn] : observers_->list) ids.push_back(id);
    const std::weak_ptr<Observers> alive = observers_;
    for (auto id : ids) {
        auto observers = alive.lock();
        if (!observers) return;
        auto it = observers->list.find(id);
        if (it == observers->list.end()) continue;
        auto fn = it->second;
        fn();
    }
}

void NewWatchModel::setStage(NewWatchStage::Value stage) { stage_.value = std::move(stage); }

void NewWatchModel::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    changed();
}

void NewWatchModel::setMode(WatchMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    changed();
}

WatchSetup NewWatchModel::setup() const { return WatchSetup(region_, services_.settings, services_.session); }

void NewWatchModel::setReading(BaselineReading reading) {
    reading_ = std::move(reading);
    readingFresh_ = pendingSubmit_;
    if (const auto* input = stage_.as<NewWatchStage::Input>(); input && !input->message)
        suggestions_ = LocalCompiler::suggestions(*reading_, /*includeQuotedExample=*/false);
    if (pendingSubmit_) {
        pendingSubmit_ = false;
        waitingFor_.reset();
        submit();
    }
    changed();
}

void NewWatchModel::dropQuestion() {
    asking_.reset();
    question_ = Pending();
}

void NewWatchModel::submit() {
    const std::string sentence = text::trimWhitespaceAndNewlines(text_);
    if (sentence.empty()) return;
    dropQuestion();
    if (!reading_) {
        // A change watch needs no text, so it need not wait for the reading.
        const auto parsed = CommandParser::parse(sentence);
        if (parsed && parsed->type == WatchType::anyChange) {
            compileNow(sentence, BaselineReading::empty());
            return;
        }
        pendingSubmit_ = true;
        waitingFor_ = std::string(Copy::readingArea);
        changed();
        return;
    }
    if (readAgain && !std::exchange(readingFresh_, false)) {
        pendingSubmit_ = true;
        waitingFor_ = std::string(Copy::readingArea);
        changed();
        readAgain();
        return;
    }
    waitingFor_.reset();
    compileNow(sentence, *reading_);
}

void NewWatchModel::useSuggestion(std::size_t index) {
    if (index >= suggestions_.size()) return;
    text_ = suggestions_[index];
    submit();
    changed();
}

void NewWatchModel::compileNow(const std::string& sentence, const BaselineReading& reading) {
    apply(setup().compile(sentence, reading, services_.now()));
}

void NewWatchModel::apply(const WatchSetup::Step& step) {
    using Step = WatchSetup::Step;
    if (const auto* decided = step.as<Step::Decided>()) {
        const CompileOutcome& outcome = decided->outcome;
        if (const auto* vague = outcome.as<CompileOutcome::TooVague>()) {
            suggestions_ = vague->examples;
            setStage(NewWatchStage::Input{std::string(Copy::tooVague)});
        } else if (const auto* confirmed = outcome.as<CompileOutcome::Confirm>()) {
            setStage(NewWatchStage::Confirm{withDirect(confirmed->spec)});
        } else if (const auto* judge = outcome.as<CompileOutcome::NeedsJudge>()) {
            setStage(NewWatchStage::Judge{{JudgeQuestion::NotSetUp{judge->fallback}}});
        } else {
            setStage(NewWatchStage::Clarify{outcome});
        }
    } else if (const auto* localOnly = step.as<Step::LocalOnly>()) {
        setStage(NewWatchStage::Judge{{JudgeQuestion::LocalOnly{localOnly->fallback}}});
    } else if (const auto* notSetUp = step.as<Step::NotSetUp>()) {
        setStage(NewWatchStage::Judge{{JudgeQuestion::NotSetUp{notSetUp->fallback}}});
    } else if (const auto* consent = step.as<Step::Consent>()) {
        setStage(NewWatchStage::Judge{{JudgeQuestion::Consent{consent->spec, consent->fallback}}});
    }
    changed();
}

void NewWatchModel::pickNumber(const ReadNumber& number) {
    if (!reading_) return;
    apply(setup().compile(text_, *reading_, services_.now(), number));
}

WatchSpec NewWatchModel::withDirect(const WatchSpec& spec) const {
    static const std::vector<OCRLine> none;
    const auto& picture = reading_ ? reading_->lines : none;
    std::optional<std::vector<OCRLine>> direct;
    if (directOffer) direct = directOffer->lines;
    return DirectAgreement::adopt(spec, picture, direct, directOffer ? directOffer->onScreenOnly : true);
}

void NewWatchModel::confirm(const WatchSpec& spec) {
    setStage(NewWatchStage::Confirm{withDirect(spec)});
    changed();
}

void NewWatchModel::askTheModel(WatchSpec spec, WatchSpec fallback) {
    const std::uint64_t token = nextToken_++;
    asking_ = token;
    waitingFor_ = std::string(Copy::asking);
    setStage(NewWatchStage::Input{});
    // The old question's handle goes first, so its answer can never arrive.
    question_ = Pending();
    auto ask = [this, token, spec, fallback](std::optional<CloudImage> crop) {
        question_ = services_.ask(setup(), spec, std::move(crop), services_.now(), services_.mainThread,
                                  [this, token, spec, fallback](WatchSetup::Answer answer) {
                                      answered(token, spec, fallback, std::move(answer));
                                  });
    };
    if (image) {
        // The crop's PNG is made off the main thread; the question follows it.
        if (!services_.encoder) services_.encoder = std::make_shared<PictureEncoder>(services_.mainThread);
        question_ = services_.encoder->encode({}, nullptr, std::make_shared<const Image>(*image), CloudImage::maxSide,
                                              [ask](PictureEncoder::Encoded e) { ask(std::move(e.current)); });
    } else {
        ask(std::nullopt);
    }
    changed();
}

void NewWatchModel::answered(std::uint64_t token, const WatchSpec& spec, const WatchSpec& fallback,
                             WatchSetup::Answer answer) {
    // Overtaken by a newer sentence, a newer question or a cancel.
    if (asking_ != token) return;
    asking_.reset();
    waitingFor_.reset();
    using Answer = WatchSetup::Answer;
    if (const auto* setupAnswer = answer.as<Answer::Setup>()) {
        const BaselineReading reading = reading_.value_or(BaselineReading::empty());
        apply(setupAnswer->judged, LocalCompiler::suggestions(reading, /*includeQuotedExample=*/true));
        return;
    }
    if (const auto* usedUp = answer.as<Answer::UsedUp>()) {
        std::optional<std::string> backAt;
        if (usedUp->back) backAt = services_.timeOfDay(*usedUp->back);
        setStage(NewWatchStage::Judge{{JudgeQuestion::UsedUp{fallback, backAt}}});
    } else {
        setStage(NewWatchStage::Judge{{JudgeQuestion::Unreachable{spec, fallback}}});
    }
    changed();
}

void NewWatchModel::apply(const JudgeSetup& answer, std::vector<std::string> examples) {
    if (const auto* confirmed = answer.as<JudgeSetup::Confirm>()) {
        mode_ = confirmed->spec.mode;
        setStage(NewWatchStage::Confirm{withDirect(confirmed->spec)});
    } else if (const auto* two = answer.as<JudgeSetup::TwoReadings>()) {
        setStage(NewWatchStage::Judge{{JudgeQuestion::TwoReadings{two->spec, two->kinds}}});
    } else if (const auto* notVisible = answer.as<JudgeSetup::NotVisible>()) {
        setStage(NewWatchStage::Judge{{JudgeQuestion::NotVisible{notVisible->spec}}});
    } else if (const auto* already = answer.as<JudgeSetup::AlreadyTrue>()) {
        setStage(NewWatchStage::Judge{{JudgeQuestion::AlreadyTrue{already->spec, already->fallback}}});
    } else {
        suggestions_ = std::move(examples);
        setStage(NewWatchStage::Input{std::string(Copy::tooVague)});
    }
    changed();
}

void NewWatchModel::pickReading(WatchType kind, const WatchSpec& spec) {
    // "When something new shows up" stands for both new kinds: a new line is
    // watched as a new item rather than leaving the button without effect.
    if (kind == WatchType::newLine) kind = WatchType::newItem;
    if (auto recast = JudgeSetup::spec(kind, spec)) {
        setStage(NewWatchStage::Confirm{withDirect(*recast)});
    } else if (auto example = Copy::readingExample(kind)) {
        suggestions_ = {*example};
        setStage(NewWatchStage::Input{std::string(pickWordsMessage)});
    }
    changed();
}

void NewWatchModel::start(const WatchSpec& spec) {
    WatchSpec started = spec;
    started.mode = mode_;
    if (onStart) onStart(started);
}

void NewWatchModel::backToInput() {
    dropQuestion();
    setStage(NewWatchStage::Input{});
    changed();
}

void NewWatchModel::clearSuggestions() {
    suggestions_.clear();
    changed();
}

void NewWatchModel::cancel() {
    dropQuestion();
    if (onCancel) onCancel();
}

}  // namespace kestrove
