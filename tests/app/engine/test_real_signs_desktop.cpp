// Amounts and badges on a web page that a reading once got wrong: a loss
// written with its minus before the dollar sign, read by picture and
// directly, revenue grouped with thin spaces read directly, and a status in
// white on an orange pill. The engine runs on
// virtual time; capture, recognition, direct reading and Chromium are real.
#include "core/windows/direct_agreement.hpp"
#include "engine/real_programs.hpp"

namespace kestrove::testing {
namespace {

using desktop::texts;

// An amount on a page, watched to fall, read by picture or directly: it is
// read as shown when the watch is made and barks once at the lower one.
struct FallingAmount {
    const char* name;
    const char* label;  // the box is drawn around it and the amount beside it
    const char* first;
    const char* sentence;
    double value;
    const char* next;
    const char* read;  // the bark's "Read"
    bool directly;
    bool selected = false;  // the amount kept selected, as a user leaves it
};

void PrintTo(const FallingAmount& c, std::ostream* os) { *os << c.name; }

struct FallingAmounts : RealPrograms, ::testing::WithParamInterface<FallingAmount> {};

TEST_P(FallingAmounts, AreReadAsShownAndBarkOnceBelowTheLimit) {
    const FallingAmount& c = GetParam();
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(".label { font-size: 16px; color: #555; } .value { font-size: 18px; color: #c5221f; }",
                         std::string(R"(<div><span class="label">)") + c.label +
                             R"(</span> <span class="value" id="p">)" + c.first + "</span></div>" +
                             (c.selected ? "<script>setInterval(() => getSelection().selectAllChildren("
                                           "document.getElementById('p')), 100);</script>"
                                         : "")),
                    c.first, c.directly);
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion box = boxAround(*window, c.label, 10);

    std::optional<WatchSpec> watch = confirmed(c.sentence, box, "w_FALL02");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->baseline.currentValue, c.value) << ::testing::PrintToString(texts(readers.picture(box, false)));
    if (c.directly) {
        const std::shared_ptr<DirectSession> session = readers.open(box);
        ASSERT_TRUE(session);
        const DirectAnswer direct = readers.direct(*session);
        ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());
        const std::vector<OCRLine> picture = readers.picture(box, false);
        watch = DirectAgreement::adopt(*watch, picture, *direct.lines(), session->onScreenOnly());
        ASSERT_TRUE(watch->direct) << ::testing::PrintToString(texts(picture)) << " against "
                                   << ::testing::PrintToString(texts(*direct.lines()));
    }
    add(*watch);
    barksOnceAt(browser, box, c.next, c.read);
}

// A loss with its minus before the dollar sign: read positive, it could
// never drop below -50. A selected amount was turned over with its
// selection and read as garbage.
INSTANTIATE_TEST_SUITE_P(
    OnAPage, FallingAmounts,
    ::testing::Values(
        FallingAmount{"ALossByPicture", "Loss", "\u2212$48.20", "the loss drops below -50", -48.2, "\u2212$52.10",
                      "-52.10", false},
        FallingAmount{"ALossReadDirectly", "Loss", "\u2212$48.20", "the loss drops below -50", -48.2,
                      "\u2212$52.10", "-52.10", true},
        FallingAmount{"ASelectedAmountByPicture", "Balance", "$1,204.50", "the balance drops below 1000", 1204.5,
                      "$987.25", "987.25", false, true}),
    [](const ::testing::TestParamInfo<FallingAmount>& info) { return std::string(info.param.name); });

// Revenue grouped with thin spaces (U+2009), as pages write large amounts:
// read straight from the page it was three numbers, the amount 678 €; by
// picture recognition kept one thin space and dropped the other, "12 345678 €".
TEST_F(RealPrograms, AnAmountGroupedWithThinSpacesIsOneNumber) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    const char* revenue = "12\u2009345\u2009678 \u20AC";
    Browser browser(page(".value { font-size: 16px; }",
                         std::string(R"(<div>Revenue <span class="value" id="p">)") + revenue + "</span></div>"),
                    revenue, true);
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion box = boxAround(*window, "Revenue", 10);
    const std::shared_ptr<DirectSession> session = readers.open(box);
    ASSERT_TRUE(session);
    const DirectAnswer direct = readers.direct(*session);
    ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());
    for (const std::vector<OCRLine>& lines : {*direct.lines(), readers.picture(box, false)}) {
        const std::vector<ReadNumber> numbers = BaselineReading(lines).numbers(false);
        ASSERT_EQ(numbers.size(), 1u) << ::testing::PrintToString(texts(lines));
        EXPECT_EQ(numbers[0].value, 12345678) << ::testing::PrintToString(texts(lines));
        EXPECT_EQ(numbers[0].unit, ValueUnit::eur);
    }
}

// A parcel's status in white on an orange pill, watched to say delivered,
// the box drawn with room round the pill or tight round it.
struct OrangePill {
    const char* name;
    int fontSize, width, height;  // the pill's, at (160, 36) of the page
    int room;                     // points of page the box shows round it
};

void PrintTo(const OrangePill& c, std::ostream* os) { *os << c.name; }

struct OrangePills : RealPrograms, ::testing::WithParamInterface<OrangePill> {};

TEST_P(OrangePills, BarkWhenTheyComeToSayDeliveredAndReadAsShown) {
    const OrangePill& c = GetParam();
    ASSERT_TRUE(desktop::allowReadingWindows());
    auto pill = [](const char* words) { return std::string(R"(<span class="pill">)").append(words).append("</span>"); };
    const std::string size = "font-size: " + std::to_string(c.fontSize) + "px; width: " + std::to_string(c.width) +
                             "px; height: " + std::to_string(c.height) + "px; line-height: " + std::to_string(c.height) +
                             "px; border-radius: " + std::to_string(c.height / 2) + "px; ";
    Browser browser(page(".label { position: absolute; left: 40px; top: 40px; font-size: 15px; line-height: 18px; } "
                         ".pill { position: absolute; left: 160px; top: 36px; text-align: center; font-weight: bold; "
                         "color: #fff; background: #f59e0b; " + size + "}",
                         R"(<span class="label">Parcel</span><span id="p">)" + pill("IN TRANSIT") + "</span>"),
                    pill("IN TRANSIT"));
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const std::optional<Rect> label = readers.locate(window->frame, "Parcel");
    ASSERT_TRUE(label);
    // Placed from the label, whose letters' top lies some 3 points under its own.
    const double left = label->x + 120 - c.room, top = label->y - 7 - c.room;
    const WatchRegion box =
        readers.drawAround({left, top, double(c.width + 2 * c.room), double(c.height + 2 * c.room)}, window->frame, 0);

    const std::optional<WatchSpec> watch = confirmed("it says delivered", box, "w_PARCEL");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->type, WatchType::textAppears);
    add(*watch);
    for (int i = 0; i < 3; ++i) cycle();
    EXPECT_EQ(barks, 0) << "before the page changed";
    browser.show(pill("DELIVERED"));
    ASSERT_TRUE(cycleUntil([&] { return barks > 0; }, 12))
        << "no bark at DELIVERED: " << ::testing::PrintToString(texts(readers.picture(box)));
    for (int i = 0; i < 3; ++i) cycle();
    finishFlashes();
    EXPECT_EQ(barks, 1);
    EXPECT_EQ(texts(readers.picture(box)), std::vector<std::string>{"DELIVERED"});
}

INSTANTIATE_TEST_SUITE_P(
    OnAPage, OrangePills,
    ::testing::Values(
        // Letters under 40 % of the pill's height were not taken for a
        // badge's: the pill went grey with black corners and read as nothing.
        OrangePill{"WithRoomRoundIt", 13, 110, 26, 10},
        // The pill's colour the box's ground: its corners read as "r" and "4".
        OrangePill{"TightRoundIt", 16, 130, 30, 3}),
    [](const ::testing::TestParamInfo<OrangePill>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrove::testing
