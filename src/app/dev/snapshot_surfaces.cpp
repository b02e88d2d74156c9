// The catalogue of snapshot surfaces: each a name and a drawing made afresh
// from sample content when the picture is taken.
#include <QApplication>
#include <QPainter>

#include <memory>

#include "app/creation/key_panel.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/creation/overlay_window.hpp"
#include "app/creation/panel_root.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/dev_wait.hpp"
#include "app/dev/offline_dialogue.hpp"
#include "app/dev/sample.hpp"
#include "app/dev/snapshot_chrome.hpp"
#include "app/dev/snapshot_menu.hpp"
#include "app/dev/snapshots.hpp"
#include "app/dev/stated_permissions.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/menu/onboarding_model.hpp"
#include "app/menu/onboarding_view.hpp"
#include "app/menu/panel_window.hpp"
#include "app/menu/qr_code.hpp"
#include "app/menu/telegram_connect_model.hpp"
#include "app/menu/telegram_connect_view.hpp"
#include "core/cloud/judge_setup.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove::Snapshots {

namespace {

using Act = std::function<void(NewWatchModel&, WatchSetup::Answer&)>;
using std::chrono::milliseconds;

struct PanelRow {
    const char* name;
    Sample sample;
    std::optional<WatchRegion> region;  // the sample's own when none
    std::string sentence;
    Act act;
    bool localOnly = false;
};

Act submit(std::function<void(NewWatchModel&)> before = {}) {
    return [before](NewWatchModel& m, WatchSetup::Answer&) {
        if (before) before(m);
        m.submit();
    };
}

Act nothing() {
    return [](NewWatchModel&, WatchSetup::Answer&) {};
}

// The model's question answered with `answer` (used up, or unreachable).
Act asked(const Sample& sample, WatchSetup::Answer answer) {
    return [reading = sample.reading, answer](NewWatchModel& m, WatchSetup::Answer& slot) {
        auto [spec, fallback] = OfflineDialogue::judged(m, reading);
        slot = answer;
        m.askTheModel(spec, fallback);
    };
}

QImage drawPanel(const PanelRow& row, bool dark, milliseconds settle) {
    const ScreenInfo screen{"sample", 1, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 2};
    const WatchRegion region = row.region.value_or(row.sample.region);
    const SelectedRegion selection{screen, {region.x, region.y, region.w, region.h}, region};
    auto answer = OfflineDialogue::unreachable();
    NewWatchPanel panel(selection, row.sample.image(), OfflineDialogue::services(row.localOnly, answer));
    NewWatchModel& model = panel.model();
    model.setReading(row.sample.reading);
    model.setText(row.sentence);
    row.act(model, *answer);
    // Shown as on screen, so it takes the height its content asks for by its own road.
    panel.window().setAttribute(Qt::WA_DontShowOnScreen);
    panel.show(false);
    DevWait::settle(settle);
    return SnapshotChrome::panel(panel.render(), dark);
}

std::vector<PanelRow> panelRows(bool dark) {
    const Sample price = Sample::price(dark), exporting = Sample::exporting(dark), spinner = Sample::spinner(dark);
    const Sample build = Sample::build();
    WatchRegion bound = price.region;
    bound.window = WindowAnchor{1, "Firefox", std::nullopt, 40, 60, 900, 600};
    WatchRegion chromium = bound;
    chromium.window->app = "Chromium";
    chromium.w = exporting.region.w;
    chromium.h = exporting.region.h;
    const std::string drops = "the price drops below 200", upload = "the upload has finished";
    auto offer = [](const Sample& s, bool onScreenOnly) {
        return [lines = s.reading.lines, onScreenOnly](NewWatchModel& m) { m.directOffer = DirectOffer{lines, onScreenOnly}; };
    };
    WatchSetup::Answer usedUp{WatchSetup::Answer::UsedUp{std::chrono::system_clock::now() + std::chrono::hours(1)}};
    return {
        {"input-empty", price, {}, "", [](NewWatchModel& m, WatchSetup::Answer&) { m.clearSuggestions(); }},
        {"input-chips", exporting, {}, "", nothing()},
        {"input-typed", price, {}, drops, nothing()},
        {"card-number", price, {}, drops, submit()},
        {"card-window", price, bound, drops, submit()},
        {"card-direct", price, bound, drops, submit(offer(price, false))},
        {"card-direct-chromium", exporting, chromium, "the export is done", submit(offer(exporting, true))},
        {"card-text-appears", build, {}, "it says \"Build succeeded\"", submit()},
        {"card-text-gone", exporting, {}, "the spinner text is gone", submit()},
        {"card-any-change", exporting, {}, "this changes",
         [](NewWatchModel& m, WatchSetup::Answer&) {
             m.submit();
             m.setMode(WatchMode::everyTime);
         }},
        {"card-minutes", Sample::minutes(dark), {}, "less than 5 minutes remaining", submit()},
        {"card-rule-text-gone", exporting, {}, "the export is done", submit()},
        {"card-rule-countdown", Sample::timer(dark), {}, "the timer hits zero", submit()},
        {"card-new-line", Sample::chat(dark), {}, "someone replies", submit()},
        {"ask-cloud-consent", spinner, {}, upload,
         [reading = spinner.reading](NewWatchModel& m, WatchSetup::Answer&) {
             auto [spec, fallback] = OfflineDialogue::judged(m, reading);
             m.apply(WatchSetup::Step{WatchSetup::Step::Consent{spec, fallback}});
         }},
        {"card-cloud", spinner, {}, upload,
         [reading = spinner.reading](NewWatchModel& m, WatchSetup::Answer&) {
             // In place of the server's reply: not vague, confident, visible, not yet met.
             const CompileResponse reply{"state_reached", 0.94, std::nullopt, "once", 0.97, 0.03, 0.04, std::nullopt};
             m.apply(JudgeSetup::decide(reply, OfflineDialogue::judged(m, reading).first), {});
         }},
        {"ask-cloud-not-set-up", spinner, {}, upload, submit()},
        {"ask-local-only", spinner, {}, upload, submit(), true},
        {"ask-cloud-unreachable", spinner, {}, upload, asked(spinner, {WatchSetup::Answer::Unreachable{}})},
        {"ask-cloud-used-up", spinner, {}, upload, asked(spinner, usedUp)},
        {"ask-two-readings", Sample::chat(dark), {}, "it moves on",
         [](NewWatchModel& m, WatchSetup::Answer&) {
             const WatchSpec spec = OfflineDialogue::judged(m, BaselineReading::empty()).first;
             m.apply(JudgeSetup{JudgeSetup::TwoReadings{spec, {WatchType::stateReached, WatchType::newItem}}}, {});
         }},
        {"ask-already-true", Sample::price(dark, QStringLiteral("189,00 €")), {}, drops, submit()},
        {"ask-which-number", Sample::twoPrices(dark), {}, drops, submit()},
        {"ask-not-visible", Sample::soldOut(dark), {}, drops, submit()},
        {"ask-already-visible", exporting, {}, "it says \"Exporting…\"", submit()},
        {"ask-too-vague", price, {}, "asdf", submit()},
        {"ask-no-text", Sample::blank(dark), {}, "the spinner text is gone", submit()},
    };
}

// A window's content as its window draws it at its own width, in the
// window manager's frame.
QImage drawWindow(QWidget* content, std::string_view title, int width, bool dark) {
    const QString name = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    PanelWindow window(name);
    window.setContent(content);
    DevLook::showUnseen(window);
    // Wrapped texts measure right once laid out at the final width.
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        window.fit(width, window.fittingHeight(width));
    }
    return SnapshotChrome::window(window.grab().toImage(), name, dark);
}

// The selection overlay while a box is drawn over a program's window: the
// screen dimmed around the box, the box's size beside the pointer.
QImage drawOverlay(bool dark) {
    const Sample sample = Sample::exporting(dark);
    const QImage program = SnapshotChrome::window(sample.picture, QStringLiteral("Export \u2014 Kdenlive"), dark);
    const QSize screenSize(720, 400);
    QImage screenPicture(screenSize, QImage::Format_ARGB32_Premultiplied);
    screenPicture.fill(SnapshotChrome::desktop(dark));
    const QPointF at(80, 60);
    {
        QPainter p(&screenPicture);
        p.drawImage(at, program);
    }
    // Where the sample lies in that window: inside the margin, the border and the title bar.
    const QPointF sampleAt = at + QPointF(32 + 1, 32 + SnapshotChrome::titleBar);
    const QSizeF points = sample.points();
    SelectionState state;
    state.rect = Rect{sampleAt.x() + 8, sampleAt.y() + 8, points.width() - 16, points.height() - 16};
    state.cursor = Point{state.rect->maxX(), state.rect->maxY()};
    const Rect frame{0, 0, double(screenSize.width()), double(screenSize.height())};
    OverlayWindow overlay(ScreenInfo{"sample", 1, frame, frame, 1}, screenPicture, state, [](auto, auto) {});
    DevLook::showUnseen(overlay);
    return overlay.grab().toImage();
}

// The frame around a box in each of its states.
void addFrames(std::vector<Surface>& list, bool dark) {
    const Sample price = Sample::price(dark);
    struct FrameRow {
        const char* name;
        WatchStatus status;
        int interval;
        std::optional<WatchTrouble> trouble;
        bool flash;
    };
    const FrameRow frames[] = {
        {"frame-watching", WatchStatus::watching, 5, {}, false},
        {"frame-watching-15s", WatchStatus::watching, 15, {}, false},
        {"frame-barked", WatchStatus::watching, 5, {}, true},
        {"frame-lost-sight", WatchStatus::lostSight, 5, {}, false},
        {"frame-paused", WatchStatus::paused, 5, {}, false},
        {"frame-cant-reach-server", WatchStatus::watching, 5, WatchTrouble::cantReachServer(), false},
        {"frame-local-only", WatchStatus::watching, 5, WatchTrouble::localOnly(), false},
        {"frame-model-checks-used-up", WatchStatus::watching, 5, WatchTrouble::modelChecksUsedUp("01:00"), false},
    };
    for (const FrameRow& f : frames) {
        FrameModel model;
        model.status = f.status;
        model.interval = f.interval;
        model.trouble = f.trouble;
        if (f.flash) {
            model.flashing = model.flashOn = true;
            model.barkTime = "14:33";
        }
        list.push_back({f.name, [model, price, dark] { return SnapshotChrome::frameScene(model, price, dark); }});
    }
}

// The welcome window before, while and after its steps are done.
void addWelcome(std::vector<Surface>& list, bool dark) {
    struct Welcome {
        const char* name;
        bool screen, asked, telegram, accessibility;
        NotificationState notifications;
    };
    const Welcome welcome[] = {
        {"onboarding", false, false, false, false, NotificationState::unknown},
        {"onboarding-waiting", false, true, false, false, NotificationState::allowed},
        {"onboarding-done", true, false, true, true, NotificationState::allowed},
    };
    for (const Welcome& w : welcome) {
        list.push_back({w.name, [w, dark] {
                            StatedPermissions permissions;
                            permissions.screenAccess = w.screen ? ScreenAccess::allowed : ScreenAccess::notX11;
                            permissions.notificationState = w.notifications;
                            permissions.accessibilityOn = w.accessibility;
                            OnboardingModel model({&permissions, &permissions, [] {}});
                            model.refresh();
                            model.setAskedForScreen(w.asked);
                            model.setTelegramConnected(w.telegram);
                            return drawWindow(new OnboardingView(model), Copy::menuWelcome, OnboardingView::width,
                                              dark);
                        }});
    }
}

// The chat connection window in each phase of a pairing attempt.
void addChat(std::vector<Surface>& list, bool dark) {
    using Phase = TelegramConnectModel::Phase;
    const std::string link = "https://t.me/KestroveBot?start=P3HX6RZ8NA";
    const std::pair<const char*, Phase> chats[] = {
        {"telegram-waiting", Phase::waiting(link)},
        {"telegram-connected", Phase::of(Phase::Kind::connected)},
        {"telegram-no-bot", Phase::of(Phase::Kind::noBot)},
        {"telegram-unreachable", Phase::of(Phase::Kind::unreachable)},
        {"telegram-expired", Phase::of(Phase::Kind::expired)},
    };
    for (const auto& [name, phase] : chats) {
        list.push_back({name, [phase, link, dark] {
                            QtClock clock;
                            TelegramConnectModel model(nullptr, clock, [](const std::string&) {});
                            std::optional<QImage> qr;
                            if (phase.kind == Phase::Kind::waiting)
                                qr = QRCode::image(link, TelegramConnectModel::qrModulePixels,
                                                   TelegramConnectModel::qrQuietModules);
                            model.showFace(phase, qr);
                            return drawWindow(new TelegramConnectView(model), Copy::telegramTitle,
                                              TelegramConnectView::width, dark);
                        }});
    }
}

}  // namespace

std::vector<Surface> surfaces(bool dark, milliseconds settle) {
    std::vector<Surface> list;
    for (PanelRow& row : panelRows(dark))
        list.push_back({row.name, [row, dark, settle] { return drawPanel(row, dark, settle); }});
    addFrames(list, dark);
    addWelcome(list, dark);
    for (Surface& menu : SnapshotMenu::surfaces(dark)) list.push_back(std::move(menu));
    addChat(list, dark);
    list.push_back({"overlay", [dark] { return drawOverlay(dark); }});
    return list;
}

}  // namespace kestrove::Snapshots
