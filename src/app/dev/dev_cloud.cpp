#include "app/dev/dev_cloud.hpp"

#include <chrono>
#include <optional>
#include <sstream>
#include <variant>

#include "app/dev/dev_files.hpp"
#include "app/dev/dev_text.hpp"
#include "core/cloud/cloud_client.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/cloud/judge_setup.hpp"
#include "core/copy/copy_card.hpp"
#include "core/foundation/text.hpp"
#include "core/rules/local_compiler.hpp"
#include "core/watch/runtime.hpp"

namespace kestrove::DevCloud {

namespace {

constexpr const char* usage =
    "usage: --cloud-check <base URL> <baseline.png> <current.png> <sentence> [type]\n"
    "       --cloud-compile <base URL> <crop.png> <sentence>\n";

std::optional<CloudImage> readPicture(const std::string& path) {
    auto picture = DevFiles::readPng(path);
    if (!picture) return std::nullopt;
    return CloudImage::png(*picture, CloudImage::maxSide);
}

std::string_view verdictName(CloudVerdict verdict) {
    switch (verdict) {
        case CloudVerdict::notYet: return "notYet";
        case CloudVerdict::askAgain: return "askAgain";
        case CloudVerdict::bark: return "bark";
        case CloudVerdict::lostSight: return "lostSight";
    }
    return "?";
}

// A judge answer other than a confirmation, as its case and values.
std::string describe(const JudgeSetup& setup) {
    struct Describe {
        std::string operator()(const JudgeSetup::Confirm& c) const { return "confirm(" + c.spec.id + ")"; }
        std::string operator()(const JudgeSetup::TwoReadings& t) const {
            std::string kinds;
            for (WatchType k : t.kinds) kinds += (kinds.empty() ? "" : ", ") + std::string(rawValue(k));
            return "twoReadings(" + t.spec.id + ", [" + kinds + "])";
        }
        std::string operator()(const JudgeSetup::NotVisible& n) const { return "notVisible(" + n.spec.id + ")"; }
        std::string operator()(const JudgeSetup::AlreadyTrue& a) const {
            return "alreadyTrue(" + a.spec.id + ", fallback " + a.fallback.id + ")";
        }
        std::string operator()(const JudgeSetup::TooVague&) const { return "tooVague"; }
    };
    return std::visit(Describe{}, setup.value);
}

std::string cardLine(const JudgeSetup& setup) {
    if (const auto* confirm = setup.as<JudgeSetup::Confirm>()) return Copy::card(confirm->spec).plain();
    return text::graphemePrefix(describe(setup), 60);
}

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The call and its lines; the error that stopped it otherwise.
std::optional<CloudError> check(const std::vector<std::string>& args, const CloudClient& client, std::ostream& out) {
    const auto start = Clock::now();
    std::optional<CloudImage> baseline, current;
    if (args.size() >= 5) {
        baseline = readPicture(args[2]);
        current = readPicture(args[3]);
    }
    if (!baseline || !current) return CloudError::badRequest("could not read the images");
    const WatchType type = args.size() > 5 ? fromRaw<WatchType>(args[5]).value_or(WatchType::stateReached)
                                           : WatchType::stateReached;
    const auto answer = waitFor<CheckResponse>([&](Executor e, CloudCallback<CheckResponse> done) {
        return client.check(args[4], type, *baseline, *current, e, std::move(done));
    });
    if (!answer) return answer.error();
    const CheckResponse& r = answer.value();
    out << "check: met " << DevText::real(r.met) << ", obstructed " << DevText::real(r.obstructed) << ", decided_by "
        << r.decidedBy.value_or("?") << ", server " << DevText::whole(r.ms) << " ms, round trip "
        << millisecondsSince(start) << " ms\n";
    CloudDebounce debounce(2, true);
    out << "verdict: " << verdictName(debounce.record(r.met, r.obstructed)) << "\n";
    return std::nullopt;
}

std::optional<CloudError> compile(const std::vector<std::string>& args, const CloudClient& client,
                                  std::ostream& out) {
    const auto start = Clock::now();
    const auto image = readPicture(args[2]);
    if (!image) return CloudError::badRequest("could not read the image");
    const std::string& sentence = args[3];
    const auto answer = waitFor<CompileResponse>([&](Executor e, CloudCallback<CompileResponse> done) {
        return client.compile(sentence, *image, e, std::move(done));
    });
    if (!answer) return answer.error();
    const CompileResponse& r = answer.value();
    out << "compile: type " << r.type << " (" << DevText::real(r.typeConfidence) << "), mode " << r.mode.value_or("?")
        << ", referent_visible " << DevText::real(r.referentVisible) << ", currently_met "
        << DevText::real(r.currentlyMet) << ", too_vague " << DevText::real(r.tooVague) << ", server "
        << DevText::whole(r.ms) << " ms, round trip " << millisecondsSince(start) << " ms\n";
    // The watch the app would judge this answer against: a placeholder box,
    // nothing read in it.
    WatchRegion box;
    box.w = 1;
    box.h = 1;
    box.scale = 2;
    const WatchSpec spec = LocalCompiler::judgeSpec(sentence, WatchType::stateReached, BaselineReading{}, box,
                                                    WatchSpec::makeID(), std::chrono::system_clock::now());
    out << "card: " << cardLine(JudgeSetup::decide(r, spec)) << "\n";
    return std::nullopt;
}

}  // namespace

int run(const std::vector<std::string>& args, DefaultsStore& userSettings, Streams io) {
    if (args.size() < 4) {
        io.err << usage << std::flush;
        return 2;
    }
    std::optional<Url> base;
    if (args[1] == "default") {
        base = CloudSettings::defaultBaseURL();
        if (!base) {
            // A build made without a server address has no default to use.
            io.out << "failed: " << CloudError::notSetUp() << "\n" << std::flush;
            return 1;
        }
    } else {
        base = CloudSettings::usableBaseURL(args[1]);
        if (!base) {
            io.err << usage << std::flush;
            return 2;
        }
    }
    // The settings are asked for nothing but this device's id.
    auto store = std::shared_ptr<DefaultsStore>(&userSettings, [](DefaultsStore*) {});
    const CloudClient client{*base, CloudSettings(store).deviceID(), CloudSession::make()};
    io.out << "server: " << base->toString() << "\n" << std::flush;

    const auto error = args[0] == "--cloud-check" ? check(args, client, io.out) : compile(args, client, io.out);
    if (error) io.out << "failed: " << *error << "\n";
    io.out << std::flush;
    return error ? 1 : 0;
}

}  // namespace kestrove::DevCloud
