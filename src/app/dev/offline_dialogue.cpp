#include "app/dev/offline_dialogue.hpp"

#include "app/platform/main_thread_executor.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/rules/local_compiler.hpp"

namespace kestrove::OfflineDialogue {

AnswerSlot unreachable() {
    return std::make_shared<WatchSetup::Answer>(WatchSetup::Answer{WatchSetup::Answer::Unreachable{}});
}

NewWatchServices services(bool localOnly, const AnswerSlot& answer) {
    auto defaults = std::make_shared<MemoryDefaults>();
    defaults->set(CloudSettings::baseURLKey, std::string());
    CloudSettings settings(defaults);
    settings.setLocalOnly(localOnly);
    NewWatchServices s{settings, CloudSession::make(), mainThreadExecutor()};
    s.timeOfDay = [](Date) { return std::string("01:00"); };
    s.ask = [answer](const WatchSetup&, const WatchSpec&, std::optional<CloudImage>, Date, Executor executor,
                     std::function<void(WatchSetup::Answer)> done) {
        auto completion = std::make_shared<Completion>();
        completion->deliver(executor, [done = std::move(done), a = *answer] { done(a); });
        return Pending(completion);
    };
    return s;
}

std::pair<WatchSpec, WatchSpec> judged(const NewWatchModel& model, const BaselineReading& reading) {
    const WatchSpec spec = LocalCompiler::judgeSpec(model.text(), WatchType::stateReached, reading, model.region(),
                                                    WatchSpec::makeID(), std::chrono::system_clock::now());
    return {spec, LocalCompiler::anyChangeFallback(spec)};
}

}  // namespace kestrove::OfflineDialogue
