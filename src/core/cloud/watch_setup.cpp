#include "core/cloud/watch_setup.hpp"

namespace kestrove {

WatchSetup::WatchSetup(WatchRegion region, CloudSettings settings, std::shared_ptr<CloudSession> session)
    : region(std::move(region)),
      availability([settings] { return settings.availability(); }),
      client([settings, session] { return settings.client(session); }),
      settings(std::move(settings)) {}

WatchSetup::Step WatchSetup::forModel(WatchSpec spec, WatchSpec fallback) const {
    switch (availability()) {
    case CloudSettings::Availability::ready:
        return {Step::Consent{std::move(spec), std::move(fallback)}};
    case CloudSettings::Availability::localOnly:
        return {Step::LocalOnly{std::move(fallback)}};
    case CloudSettings::Availability::notSetUp:
        break;
    }
    return {Step::NotSetUp{std::move(fallback)}};
}

WatchSetup::Step WatchSetup::compile(std::string_view sentence, const BaselineReading& reading, Date now,
                                     const std::optional<ReadNumber>& chosen) const {
    CompileOutcome outcome = LocalCompiler::compile(sentence, reading, region, chosen, WatchSpec::makeID(), now);
    if (const auto* judge = outcome.as<CompileOutcome::NeedsJudge>()) return forModel(judge->spec, judge->fallback);
    if (!outcome.as<CompileOutcome::TooVague>()) return {Step::Decided{std::move(outcome)}};

    // Too vague for the local compiler: the model may still make sense of it,
    // but only offer that when it can be asked; otherwise show the examples.
    if (availability() != CloudSettings::Availability::ready) return {Step::Decided{std::move(outcome)}};
    WatchSpec s = LocalCompiler::judgeSpec(sentence, WatchType::stateReached, reading, region, WatchSpec::makeID(), now);
    if (s.command.empty()) return {Step::Decided{std::move(outcome)}};
    WatchSpec fallback = LocalCompiler::anyChangeFallback(s);
    return forModel(std::move(s), std::move(fallback));
}

CloudCall WatchSetup::askTheModel(const WatchSpec& spec, std::optional<CloudImage> crop, Date now, Executor executor,
                                  std::function<void(Answer)> done) const {
    auto answerNow = [&executor, &done](Answer answer) {
        return Pending::answered(executor, [done = std::move(done), answer = std::move(answer)] { done(answer); });
    };
    auto model = client();
    if (!model || !crop) return answerNow({Answer::Unreachable{}});
    if (auto pause = settings.modelPause(now)) return answerNow({Answer::UsedUp{pause->back}});

    return model->compile(
        spec.command, std::move(*crop), executor,
        [settings = settings, session = model->session, spec, now, done = std::move(done)](CloudResult<CompileResponse> r) {
            if (r) {
                settings.clearModelPause();
                return done({Answer::Setup{JudgeSetup::decide(r.value(), spec)}});
            }
            if (r.error().checksUsedUp()) {
                const ModelPause pause = settings.pauseModel(r.error().resetsIn(), now);
                // Pictures of the running watches still on their way stay here.
                session->recheckGuards();
                return done({Answer::UsedUp{pause.back}});
            }
            // Held back by a pause that began meanwhile, or by Local Only.
            if (r.error().kind() == CloudError::Case::withdrawn)
                if (auto pause = settings.modelPause(now)) return done({Answer::UsedUp{pause->back}});
            done({Answer::Unreachable{}});
        });
}

}  // namespace kestrove
