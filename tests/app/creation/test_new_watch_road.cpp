// The new-watch road on the fake platform, a fake selection and virtual
// time; the panels, and the application's message boxes where a test shows
// them, are real, on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include "app/creation/card_parts.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/creation/new_watch_road.hpp"
#include "app/creation/panel_root.hpp"
#include "app/shell/app_alerts.hpp"
#include "support/app/fake_platform.hpp"
#include "support/app/offscreen_app.hpp"
#include "support/app/stderr_capture.hpp"
#include "support/app/virtual_clock.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

class FakeSelection final : public RegionSelection {
public:
    int begun = 0;
    Completion completion;
    bool running() const override { return static_cast<bool>(completion); }
    void begin(Completion c) override {
        ++begun;
        completion = std::move(c);
    }
    void draw(std::optional<SelectedRegion> region) { std::exchange(completion, nullptr)(std::move(region)); }
};

const ScreenInfo screen = fakes::screen("DP-1", {0, 0, 1280, 800});
const Rect windowFrame{100, 100, 600, 400};
const Rect box{150, 200, 300, 40};  // inside the window

struct Rig {
    fakes::FakePlatform fake;
    FakeSelection selection;
    fakes::VirtualClock clock;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    struct Added {
        WatchSpec spec;
        Image baseline;
        std::optional<DiffGrid> grid;
        std::optional<DirectStart> direct;
    };
    std::vector<Added> added;
    std::vector<bool> onboarding;
    std::vector<std::pair<std::string, std::string>> alerts;
    AppAlerts* boxes = nullptr;  // the application's message boxes, when a test shows them
    int notificationAsks = 0;
    std::unique_ptr<NewWatchRoad> road;

    Rig() {
        offscreen::app();
        fake.screens.list = {screen};
        fake.windows.backend.windows = {fakes::window(42, windowFrame)};
        NewWatchServices services{CloudSettings(store, std::nullopt), fake.platform.cloud, fake.main.executor(),
                                  [] { return Date{}; }, [](Date) { return std::string("12:00"); }};
        NewWatchHooks hooks;
        hooks.add = [this](const WatchSpec& s, std::shared_ptr<const Image> i, std::optional<DiffGrid> g,
                           std::optional<DirectStart> d) {
            added.push_back({s, *i, std::move(g), d});
        };
        hooks.showOnboarding = [this](bool refused) { onboarding.push_back(refused); };
        hooks.alert = [this](const std::string& m, const std::string& d) {
            alerts.emplace_back(m, d);
            if (boxes) boxes->warning(m, d);
        };
        hooks.askForNotifications = [this] { ++notificationAsks; };
        road = std::make_unique<NewWatchRoad>(fake.platform, selection, clock, std::move(services), std::move(hooks));
    }

    // Draws the box and runs the road until its panel is open.
    NewWatchPanel* drawAndOpen(const Rect& at = box) {
        road->newWatch();
        selection.draw(SelectedRegion::make(screen, at));
        clock.advance(NewWatchRoad::settle);
        for (int i = 0; i < 10 && !road->panel(); ++i) fake.main.runPending();
        return road->panel();
    }
    NewWatchModel& model() { return road->panel()->model(); }
};

struct Road : ::testing::Test, Rig {};

TEST_F(Road, TheStepsInOrder) {
    fake.recognizer.recognitions.hold = true;
    road->newWatch();
    road->newWatch();
    EXPECT_EQ(selection.begun, 1) << "the second press is ignored while the box is drawn";

    selection.draw(SelectedRegion::make(screen, box));
    // Binding and the direct read look at no pixels: they go on while the
    // overlays leave the screen.
    ASSERT_EQ(fake.windows.binds.asked.size(), 1u);
    fake.main.runPending();
    ASSERT_EQ(fake.direct.opens.asked.size(), 1u);
    const WatchRegion bound = fake.direct.opens.asked[0].request;
    ASSERT_TRUE(bound.window) << "bound to the window under the box";
    EXPECT_EQ(bound.window->id, 42u);
    for (int i = 0; i < 3; ++i) fake.main.runPending();
    EXPECT_TRUE(fake.capturer.captures.asked.empty()) << "the overlays are given time to go";
    EXPECT_EQ(road->panel(), nullptr);
    clock.advance(NewWatchRoad::settle - 1ms);
    EXPECT_TRUE(fake.capturer.captures.asked.empty());
    clock.advance(1ms);
    ASSERT_EQ(fake.capturer.captures.asked.size(), 1u);
    EXPECT_EQ(fake.capturer.captures.asked[0].request, bound);
    fake.main.runPending();

    ASSERT_NE(road->panel(), nullptr);
    EXPECT_TRUE(road->panel()->isShown());
    EXPECT_EQ(model().region(), bound);
    ASSERT_TRUE(model().directOffer) << "the direct read gave lines";
    EXPECT_FALSE(model().directOffer->onScreenOnly);
    EXPECT_FALSE(model().reading()) << "the panel waits for the reading";
    ASSERT_EQ(fake.recognizer.recognitions.held(), 1u);
    EXPECT_FALSE(fake.recognizer.recognitions.heldAt(0).request.languageCorrection);
    EXPECT_EQ(fake.recognizer.recognitions.heldAt(0).request.image.width, 300);
    fake.recognizer.recognitions.release({{"Status: Done", {0.05, 0.2, 0.8, 0.6}, 0.9}});
    fake.main.runPending();
    ASSERT_TRUE(model().reading());
    EXPECT_EQ(model().reading()->lines.size(), 1u);
}

TEST_F(Road, ScreenNotAllowedLeadsToOnboarding) {
    fake.capturer.isAllowed = false;
    road->newWatch();
    fake.main.runPending();
    EXPECT_EQ(onboarding, std::vector<bool>{false});
    EXPECT_EQ(selection.begun, 0);
    EXPECT_EQ(fake.capturer.refreshes, 1) << "looked again before onboarding";
}

TEST_F(Road, CaptureFailures) {
    struct Case {
        const char* what;
        bool overWindow;
        std::vector<Captured> answers;
        bool allowedNow;
        std::vector<bool> onboarding;
        std::optional<std::string> alertDetail;
        bool panel;
    };
    const Image picture(300, 40);
    const Case cases[] = {
        {"window refuses, area works", true, {CaptureError::windowGone(), picture}, true, {}, {}, true},
        {"window refuses, area too", true, {CaptureError::windowGone(), CaptureError::failed("x")}, true, {},
         CaptureError::windowGone().description(), false},
        {"refused although allowed", false, {CaptureError::notAllowed()}, true, {true}, {}, false},
        {"refused", false, {CaptureError::notAllowed()}, false, {false}, {}, false},
        {"display gone", false, {CaptureError::displayGone()}, true, {}, CaptureError::displayGone().description(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig t;
        if (!c.overWindow) t.fake.windows.backend.windows.clear();
        for (const auto& a : c.answers) t.fake.capturer.captures.script.push_back(a);
        testing::StderrCapture log;
        t.road->newWatch();
        t.fake.capturer.isAllowed = c.allowedNow;
        t.drawAndOpen();
        EXPECT_EQ(t.onboarding, c.onboarding);
        EXPECT_EQ(t.alerts.size(), c.alertDetail ? 1u : 0u);
        if (c.alertDetail && !t.alerts.empty()) {
            EXPECT_EQ(t.alerts[0].first, "Kestrove can't see that part of the screen.");
            EXPECT_EQ(t.alerts[0].second, *c.alertDetail);
        }
        EXPECT_EQ(t.road->panel() != nullptr, c.panel);
        if (c.panel) {
            EXPECT_FALSE(t.model().region().window) << "watched as a screen area";
            EXPECT_EQ(t.fake.capturer.captures.asked.size(), 2u);
            EXPECT_FALSE(t.model().directOffer) << "nor read directly";
            EXPECT_NE(log.text().find("Kestrove: that window can't be captured on its own (" +
                                      CaptureError::windowGone().description() + "); watching the screen area"),
                      std::string::npos);
        }
        EXPECT_EQ(t.road->roadsUnderway(), c.panel ? 1u : 0u);
    }
}

// The message boxes on screen.
std::vector<QMessageBox*> openBoxes() {
    std::vector<QMessageBox*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) open.push_back(box);
    return open;
}

TEST_F(Road, ThreeFailedCapturesShowOneAlertThatLeavesTheRestWorking) {
    AppAlerts shown;
    boxes = &shown;
    fake.windows.backend.windows.clear();  // a screen area: no second try
    const CaptureError errors[] = {CaptureError::displayGone(), CaptureError::failed("a"), CaptureError::failed("b")};
    for (const CaptureError& e : errors) {
        fake.capturer.captures.script.push_back(e);
        EXPECT_EQ(drawAndOpen(), nullptr);
    }
    EXPECT_EQ(alerts.size(), 3u);
    auto open = openBoxes();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]->text(), "Kestrove can't see that part of the screen.");
    EXPECT_EQ(open[0]->informativeText().toStdString(), CaptureError::failed("b").description()) << "the latest reason";
    EXPECT_EQ(open[0]->windowModality(), Qt::NonModal);

    // Once closed, the next failure shows it again; About is a kind of its own.
    open[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(openBoxes().empty());
    fake.capturer.captures.script.push_back(CaptureError::displayGone());
    drawAndOpen();
    shown.about();
    EXPECT_EQ(openBoxes().size(), 2u);
    for (QMessageBox* box : openBoxes()) box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Road, ANoAnswerFromTheWindowOpensThePanelWithoutAnOffer) {
    fake.direct.opens.hold = true;
    road->newWatch();
    selection.draw(SelectedRegion::make(screen, box));
    fake.main.runPending();
    fake.direct.opens.release();
    ASSERT_EQ(fake.direct.sessions.size(), 1u);
    fake.direct.sessions[0]->reads.script.push_back(DirectAnswer::noAnswer(DirectSilence::failed));
    clock.advance(NewWatchRoad::settle);
    for (int i = 0; i < 4; ++i) fake.main.runPending();
    ASSERT_NE(road->panel(), nullptr);
    EXPECT_FALSE(model().directOffer);
}

TEST_F(Road, StartAddsTheWatchAfterAdoptingItsDirectSessionAndAsksForNotificationsOnlyIfUndecided) {
    struct Case {
        bool direct;
        NotificationStatus notifications;
        int asks;
    };
    for (const Case c : {Case{true, NotificationStatus::notDetermined, 1}, Case{false, NotificationStatus::allowed, 0},
                         Case{false, NotificationStatus::denied, 0}}) {
        SCOPED_TRACE(c.direct ? "direct" : "screen only");
        Rig t;
        t.fake.notifier.answer = c.notifications;
        ASSERT_NE(t.drawAndOpen(), nullptr);
        ASSERT_FALSE(t.fake.direct.sessions.empty()) << "a session was opened";
        fakes::FakeDirectSession& session = *t.fake.direct.sessions[0];
        if (c.direct) {
            session.lines = {{"Status: Done", {0, 0, 1, 1}, 1}};
            t.model().directOffer = DirectOffer{{{"Status: Done", {0, 0, 1, 1}, 1}}, false};
            // The box shows no text when drawn, and its status when the
            // sentence is submitted: it is read again then.
            for (int i = 0; i < 4; ++i) t.fake.main.runPending();
            ASSERT_TRUE(t.model().reading() && t.model().reading()->lines.empty());
            t.fake.recognizer.lines = {{"Status: Done", {0.05, 0.2, 0.8, 0.6}, 0.9}};
        }
        t.model().setText(c.direct ? "\"Failed\" appears" : "this changes");
        t.model().submit();
        for (int i = 0; i < 4; ++i) t.fake.main.runPending();
        EXPECT_EQ(t.fake.capturer.captures.asked.size(), c.direct ? 2u : 1u) << "the box is taken again for the sentence";
        const auto* confirm = t.model().stage().as<NewWatchStage::Confirm>();
        ASSERT_NE(confirm, nullptr);
        ASSERT_EQ(confirm->spec.direct.has_value(), c.direct) << "the direct reading agrees";
        session.adopts.hold = true;
        t.model().start(confirm->spec);
        EXPECT_EQ(t.road->panel(), nullptr);
        EXPECT_EQ(t.added.size(), c.direct ? 0u : 1u) << "a direct session is adopted first, else added at once";
        EXPECT_EQ(session.adopts.releaseAll(), c.direct ? 1u : 0u);
        t.fake.main.runPending();
        ASSERT_EQ(t.added.size(), 1u);
        EXPECT_EQ(t.added[0].direct ? t.added[0].direct->session : nullptr,
                  c.direct ? t.fake.direct.sessions[0] : nullptr);
        EXPECT_EQ(t.added[0].baseline.width, 300);
        EXPECT_EQ(t.added[0].grid, PixelDiff::grid(t.added[0].baseline)) << "the crop comes with its own grid";
        EXPECT_EQ(t.notificationAsks, c.asks);
        EXPECT_EQ(t.road->roadsUnderway(), 0u);
    }
}

// The box is taken again when the sentence is submitted: the card shows
// that picture, the one its reading came from, and it becomes the crop.
TEST_F(Road, TheCardShowsThePictureItsReadingCameFrom) {
    ASSERT_NE(drawAndOpen(), nullptr);  // drawn grey
    for (int i = 0; i < 4; ++i) fake.main.runPending();
    const Captured grey = fakes::greyPicture(fake.capturer.captures.asked[0].request);
    ASSERT_TRUE(grey.ok());
    Image dark = grey.value();
    for (std::size_t i = 0; i < dark.rgba.size(); i += 4) dark.rgba[i] = dark.rgba[i + 1] = dark.rgba[i + 2] = 20, dark.rgba[i + 3] = 255;
    fake.capturer.screen = [dark](const WatchRegion&) -> Captured { return dark; };
    fake.recognizer.lines = {{"Status: Done", {0.05, 0.2, 0.8, 0.6}, 0.9}};
    model().setText("\"Failed\" appears");
    model().submit();
    for (int i = 0; i < 4; ++i) fake.main.runPending();
    ASSERT_EQ(fake.capturer.captures.asked.size(), 2u);
    const auto* confirm = model().stage().as<NewWatchStage::Confirm>();
    ASSERT_NE(confirm, nullptr);
    CropThumbnail* thumbnail = nullptr;  // it has no meta-object of its own: findChild cannot tell it
    for (QWidget* w : road->panel()->root().findChildren<QWidget*>())
        if (auto* t = dynamic_cast<CropThumbnail*>(w)) thumbnail = t;
    ASSERT_NE(thumbnail, nullptr);
    const QImage shown = thumbnail->grab().toImage();
    EXPECT_LT(shown.pixelColor(shown.width() / 2, shown.height() / 2).lightness(), 60) << "the grey box drawn is shown";
    model().start(confirm->spec);
    fake.main.runPending();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].baseline, dark);
    // The watch compares with the grid handed over: the first picture's would
    // see the dark box as changed from the start.
    EXPECT_EQ(added[0].grid, PixelDiff::grid(dark));
}

TEST_F(Road, NewWatchClosesTheOpenPanelFirst) {
    NewWatchPanel* first = drawAndOpen();
    ASSERT_NE(first, nullptr);
    road->newWatch();
    EXPECT_FALSE(first->isShown());
    EXPECT_EQ(road->panel(), nullptr);
    EXPECT_EQ(selection.begun, 2);
    fake.main.runPending();
    EXPECT_EQ(road->roadsUnderway(), 0u);
}

TEST_F(Road, OverlappingRoadsCloseOnlyTheirOwnPanel) {
    fake.capturer.captures.hold = true;
    road->newWatch();
    selection.draw(SelectedRegion::make(screen, box));
    road->newWatch();  // while the first is still on its way
    selection.draw(SelectedRegion::make(screen, {600, 500, 100, 30}));
    clock.advance(NewWatchRoad::settle);
    fake.main.runPending();
    ASSERT_EQ(fake.capturer.captures.held(), 2u);
    fake.capturer.captures.release();
    for (int i = 0; i < 4; ++i) fake.main.runPending();
    NewWatchPanel* older = road->panel();
    ASSERT_NE(older, nullptr);
    NewWatchModel& olderModel = older->model();
    fake.capturer.captures.release();
    // Only until the newer panel shows: the older road's panel goes soon after.
    for (int i = 0; i < 5 && road->panel() == older; ++i) fake.main.runPending();
    NewWatchPanel* newer = road->panel();
    ASSERT_NE(newer, nullptr);
    ASSERT_NE(newer, older);
    EXPECT_TRUE(newer->isShown());

    // The older panel was replaced and closed; its buttons no longer reach the newer one.
    olderModel.cancel();
    EXPECT_EQ(road->panel(), newer);
    EXPECT_TRUE(newer->isShown());
    newer->model().cancel();
    EXPECT_EQ(road->panel(), nullptr);
    fake.main.runPending();
    EXPECT_EQ(road->roadsUnderway(), 0u);
    EXPECT_TRUE(added.empty());
}

}  // namespace
}  // namespace kestrove
