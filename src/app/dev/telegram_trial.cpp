#include "app/dev/telegram_trial.hpp"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

#include "app/dev/dev_cloud.hpp"
#include "app/dev/dev_files.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/foundation/data_files.hpp"
#include "app/dev/dev_text.hpp"
#include "core/cloud/url.hpp"

namespace kestrove {

namespace {

const char* boolText(bool value) { return value ? "true" : "false"; }

SharedImage shared(const std::optional<Image>& crop) { return crop ? std::make_shared<const Image>(*crop) : nullptr; }

constexpr const char* trialRead = "189.00";

}  // namespace

void PrintingWatches::end(const std::string& id) {
    running_.erase(id);
    out_ << "watches: ended " << id << "\n" << std::flush;
}

void PrintingWatches::startAgain(const WatchSpec& spec) {
    running_.insert(spec.id);
    out_ << "watches: started " << spec.id << " again (" << rawValue(spec.type) << ", " << rawValue(spec.mode) << ", "
         << DevText::whole(spec.region.w) << "×" << DevText::whole(spec.region.h) << ")\n"
         << std::flush;
}

std::string describe(const TelegramLink::NotifyResult& result) {
    using Kind = TelegramLink::NotifyResult::Kind;
    switch (result.kind()) {
        case Kind::sent: return std::string("sent(withImage: ") + boolText(result.withImage()) + ")";
        case Kind::failed: return "failed(" + (result.error() ? result.error()->text() : std::string("?")) + ")";
        case Kind::skipped: return "skipped";
        case Kind::notLinked: return "notLinked";
    }
    return "?";
}

WatchSpec TelegramTrial::trialWatch(Date createdAt) {
    WatchSpec spec;
    spec.id = "w_TRY001";
    spec.command = "the price drops below 200";
    spec.type = WatchType::numberCompare;
    spec.comparator = Comparison::lt;
    spec.value = 200;
    spec.mode = WatchMode::once;
    spec.region = WatchRegion{1, 0, 0, 380, 119, 2, std::nullopt};
    spec.pollSeconds = 5;
    spec.debounceChecks = 2;
    spec.createdAt = createdAt;
    return spec;
}

TelegramTrial::TelegramTrial(Setup setup, std::ostream& out, std::function<void(int)> finished)
    : setup_(std::move(setup)),
      out_(out),
      finished_(std::move(finished)),
      watch_(trialWatch(std::chrono::system_clock::now())),
      watches_(std::make_shared<PrintingWatches>(out)) {
    // Settings of the trial's own: each run pairs as a new device and the
    // user's settings are never touched.
    auto store = std::make_shared<MemoryDefaults>();
    store->set(CloudSettings::baseURLKey, setup_.baseURL);
    link_ = std::make_unique<TelegramLink>(CloudSettings(store), CloudSession::make(), mainThreadExecutor());
    link_->setWatches(watches_);
    link_->setOnChange([this] { out_ << "connected: " << boolText(link_->connected()) << "\n" << std::flush; });
}

TelegramTrial::~TelegramTrial() {
    call_.cancel();
    link_->setOnChange(nullptr);
}

void TelegramTrial::start() {
    call_ = link_->startPairing([this](CloudResult<PairResponse> r) {
        if (!r) return fail(r.error().text());
        paired(r.value());
    });
}

void TelegramTrial::paired(const PairResponse& answer) {
    out_ << "pair: linked " << boolText(answer.linked) << ", url " << answer.url.value_or("-") << ", expires in "
         << DevText::whole(answer.expiresIn.value_or(0)) << " s\n"
         << std::flush;
    if (const auto written = writeFileAtomically(setup_.codeFile, answer.code.value_or("")); !written)
        return fail(written.error());
    if (answer.linked) return firstBark();
    checkStart(1);
}

void TelegramTrial::checkStart(int attempt) {
    after([this, attempt] {
        call_ = link_->checkPairing([this, attempt](CloudResult<bool> r) {
            if (!r) return fail(r.error().text());
            if (r.value()) return firstBark();
            if (attempt >= startChecks) {
                out_ << "nobody pressed Start within a minute\n" << std::flush;
                return finished_(1);
            }
            checkStart(attempt + 1);
        });
    });
}

void TelegramTrial::firstBark() {
    call_ = link_->bark(watch_, trialRead, shared(setup_.crop), std::chrono::system_clock::now(),
                        [this](TelegramLink::NotifyResult result) {
                            out_ << "bark: " << describe(result) << "\n";
                            out_ << "asking for buttons: "
                                 << boolText(link_->shouldPollActions(std::chrono::system_clock::now())) << "\n"
                                 << std::flush;
                            pollButtons(1);
                        });
}

void TelegramTrial::pollButtons(int attempt) {
    after([this, attempt] {
        call_ = link_->pollActions(std::chrono::system_clock::now(), [this, attempt](std::vector<ChatAction> actions) {
            if (!actions.empty() || attempt >= buttonPolls) return buttonsDone(actions);
            pollButtons(attempt + 1);
        });
    });
}

void TelegramTrial::buttonsDone(const std::vector<ChatAction>& actions) {
    std::vector<std::string> pressed;
    for (const auto& a : actions) pressed.push_back(a.action + " " + a.watch);
    const std::vector<std::string> running(watches_->running().begin(), watches_->running().end());
    out_ << "buttons: " << DevText::quotedList(pressed) << " · running now: " << DevText::quotedList(running) << "\n"
         << std::flush;
    localOnlyBark();
}

void TelegramTrial::localOnlyBark() {
    link_->settings().setLocalOnly(true);
    call_ = link_->bark(watch_, trialRead, shared(setup_.crop), std::chrono::system_clock::now(),
                        [this](TelegramLink::NotifyResult result) {
                            out_ << "bark with Local Only on: " << describe(result) << "\n" << std::flush;
                            disconnect();
                        });
}

void TelegramTrial::disconnect() {
    call_ = link_->disconnect([this](bool told) {
        out_ << "disconnect told the server: " << boolText(told) << "\n" << std::flush;
        lastBark();
    });
}

void TelegramTrial::lastBark() {
    call_ = link_->bark(watch_, trialRead, shared(setup_.crop), std::chrono::system_clock::now(),
                        [this](TelegramLink::NotifyResult result) {
                            out_ << "bark after disconnect: " << describe(result) << "\n" << std::flush;
                            finished_(0);
                        });
}

void TelegramTrial::fail(const std::string& error) {
    out_ << "failed: " << error << "\n" << std::flush;
    finished_(1);
}

void TelegramTrial::after(std::function<void()> then) {
    QTimer::singleShot(setup_.pause, Qt::PreciseTimer, &timers_, std::move(then));
}

namespace DevCloud {

namespace {
constexpr const char* trialUsage = "usage: --telegram-try <base URL> <crop.png> <file for the code>\n";
}  // namespace

int telegramTry(const std::vector<std::string>& args, Streams io, TrialTiming timing) {
    // Only what is no address at all is a usage error: the settings' own
    // rules judge the rest, and refuse it as "not set up".
    if (args.size() < 4 || !Url::isReference(args[1])) {
        io.err << trialUsage << std::flush;
        return 2;
    }
    // The trial needs an event loop, never a display.
    std::optional<QCoreApplication> ownApp;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "kestrove";
        static char* argv[] = {name, nullptr};
        ownApp.emplace(argc, argv);
    }
    int code = 1;
    QEventLoop loop;
    TelegramTrial trial({args[1], DevFiles::readPng(args[2]), args[3], timing.pause}, io.out, [&](int c) {
        code = c;
        loop.quit();
    });
    postTo(&loop, [&] { trial.start(); });
    loop.exec();
    return code;
}

}  // namespace DevCloud

}  // namespace kestrove
