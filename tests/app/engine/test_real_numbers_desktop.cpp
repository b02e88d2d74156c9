// Number watches over real programs whose numbers a picture easily misreads:
// a signed change in red and green on a web page, a price with cents in
// large bold type, a terminal line whose neighbour the box cuts in half.
// The engine runs on virtual time; capture, recognition and the programs
// are real.
#include "engine/real_programs.hpp"

namespace kestrove::testing {
namespace {

using desktop::texts;

// A number on a page that a picture easily misread, watched to fall: it is
// read as shown when the watch is made, and the watch barks once when the
// page shows the lower one.
struct FallingNumber {
    const char* name;
    const char* style;
    const char* body;  // shows `first` in its `#p`
    const char* first;
    const char* label;  // the box is drawn around it and what stands beside it
    const char* sentence;
    double value;
    const char* next;
    const char* read;  // the bark's "Read"
};

struct FallingNumbers : RealPrograms, ::testing::WithParamInterface<FallingNumber> {};

TEST_P(FallingNumbers, AreReadAsShownAndBarkOnceAtTheLowerOne) {
    const FallingNumber& c = GetParam();
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(c.style, c.body), c.first);
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion box = boxAround(*window, c.label, 10);

    const std::optional<WatchSpec> watch = confirmed(c.sentence, box, "w_FALL01");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->baseline.currentValue, c.value) << ::testing::PrintToString(texts(readers.picture(box, false)));
    add(*watch);
    barksOnceAt(browser, box, c.next, c.read);
}

INSTANTIATE_TEST_SUITE_P(
    OnAPage, FallingNumbers,
    ::testing::Values(
        // A quote's change beside its name, green while up and red while
        // down, its minus the typographic one (U+2212).
        FallingNumber{"AChangeTurningNegative",
                      ".name { font-size: 16px; font-weight: bold; color: #202124; } "
                      ".label { font-size: 13px; color: #5f6368; } .value { font-size: 16px; } "
                      ".up { color: #137333; } .down { color: #c5221f; }",
                      R"(<div><span class="name">ACME Corp</span> <span class="label">Change</span> )"
                      R"(<span class="value" id="p"><span class="up">+0.4%</span></span></div>)",
                      R"(<span class="up">+0.4%</span>)", "Change", "the change drops below 0", 0.4,
                      "<span class=\"down\">\u22121.7%</span>", "-1.7%"},
        // A shop's price in large bold red with its cents: a point read as
        // ",." made it 249, so a fall to 249.50 was already true.
        FallingNumber{"APriceWithCents",
                      ".name { font-size: 18px; color: #202124; } .label { font-size: 14px; color: #555; } "
                      ".price { font-size: 32px; font-weight: bold; color: #c8102e; }",
                      R"(<div class="name">Trail Runner Jacket</div>)"
                      R"(<div><span class="label">Price:</span> <span class="price" id="p">$249.99</span></div>)",
                      "$249.99", "Price", "the price drops below 249.50", 249.99, "$189.99", "189.99"},
        // Cents set small and raised, as shops do: read as "$249°°" it was
        // 249, so a fall below 249.50 was already true.
        FallingNumber{"APriceWithRaisedCents",
                      ".label { font-size: 14px; color: #555; } "
                      ".price { font-size: 40px; font-weight: bold; color: #c8102e; } sup { font-size: 55%; }",
                      R"(<div><span class="label">Price:</span> <span class="price" id="p">$249<sup>99</sup></span></div>)",
                      "$249<sup>99</sup>", "Price", "the price drops below 249.50", 249.99, "$189<sup>99</sup>",
                      "189.99"},
        // A serif price in large bold type with a small label set close
        // before it: its "$" read as a 9 made it 974.50, so a fall below 70
        // never barked.
        FallingNumber{"ASerifDollarPriceBesideASmallLabel",
                      ".label { font-size: 16px; color: #555; } "
                      ".price { font-family: 'Nimbus Roman'; font-size: 48px; font-weight: bold; color: #b12704; }",
                      R"(<div><span class="label">Only</span> <span class="price" id="p">$74.50</span></div>)",
                      "$74.50", "Only", "the price drops below 70", 74.5, "$64.90", "64.90"},
        // Raised cents after other currencies' signs and codes were
        // superscripts: 249, so a fall below 249.50 was already true.
        FallingNumber{"AYenPriceWithRaisedCents",
                      ".label { font-size: 14px; color: #555; } .price { font-size: 40px; } sup { font-size: 55%; }",
                      R"(<div><span class="label">Price:</span> <span class="price" id="p">&yen;249<sup>99</sup></span></div>)",
                      "&yen;249<sup>99</sup>", "Price", "the price drops below 249.50", 249.99,
                      "&yen;189<sup>99</sup>", "189.99"},
        FallingNumber{"AFrancPriceWithRaisedCents",
                      ".label { font-size: 14px; color: #555; } "
                      ".price { font-size: 36px; font-weight: bold; color: #c8102e; } sup { font-size: 55%; }",
                      R"(<div><span class="label">Price:</span> <span class="price" id="p">CHF 249<sup>99</sup></span></div>)",
                      "CHF 249<sup>99</sup>", "Price", "the price drops below 249.50", 249.99,
                      "CHF 189<sup>99</sup>", "189.99"},
        // Thousands grouped by a no-break space right after a colon were
        // read as 12 and 345.
        FallingNumber{"AnAmountGroupedRightAfterAColon", ".total { font-size: 18px; }",
                      R"(<div class="total">Total:<span id="p">12&nbsp;345&nbsp;&euro;</span></div>)",
                      "12&nbsp;345&nbsp;&euro;", "Total", "the total drops below 12000", 12345,
                      "11&nbsp;900&nbsp;&euro;", "11,900"}),
    [](const ::testing::TestParamInfo<FallingNumber>& info) { return std::string(info.param.name); });

// A count knocked out of a green pill beside its label: the pill's smoothed
// outline, left grey when the pill was turned light, read as braces round it.
TEST_F(RealPrograms, ACountInAPillIsReadWithoutThePillsOutline) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(".label { font-size: 15px; } .pill { font-size: 13px; font-weight: bold; color: #fff; "
                         "background: #2e7d32; border-radius: 10px; padding: 2px 7px; }",
                         R"(<div><span class="label">Inbox</span> <span class="pill" id="p">27</span></div>)"),
                    "27");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion box = boxAround(*window, "Inbox", 10);
    const auto first = texts(readers.picture(box));
    EXPECT_EQ(first, std::vector<std::string>{"Inbox 27"});
    browser.show("31");
    ASSERT_TRUE(desktop::waitFor([&] { return texts(readers.picture(box)) != first; }, 3000));
    EXPECT_EQ(texts(readers.picture(box)), std::vector<std::string>{"Inbox 31"});
}

// The box ends four tenths of the way into the terminal's next line, a
// build's progress in an outline font: what shows of it is no text, so its
// changes are nothing to the watch (read, they were stray numbers).
TEST_F(RealPrograms, ALineTheBoxCutsChangesNoNumberWatch) {
    Terminal term("jobs left 38\n[71/114] make 7\n", "40x6+20+20", true, {"-fa", "DejaVu Sans Mono", "-fs", "14"});
    const std::optional<WindowInfo> window = term.app->window(readers.windows);
    ASSERT_TRUE(window);
    const std::optional<Rect> first = readers.locate(window->frame, "jobs left");
    const std::optional<Rect> second = readers.locate(window->frame, "make");
    ASSERT_TRUE(first && second);
    const double top = first->y - 4, bottom = second->y + 0.4 * second->height;
    const WatchRegion box = readers.drawAround({first->x - 6, top, first->width + 80, bottom - top}, window->frame, 0);

    const std::optional<WatchSpec> watch = confirmed("the number drops below 10", box, "w_JOBS01");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->baseline.currentValue, 38);
    add(*watch);
    for (const char* progress : {"[72/114] make 9", "[94/114] make 1", "[114/114] done"}) {
        term.rewrite(std::string("jobs left 38\n") + progress + "\n");
        for (int i = 0; i < 2; ++i) cycle();
    }
    EXPECT_EQ(barks, 0) << ::testing::PrintToString(texts(readers.picture(box)));
    term.rewrite("jobs left 7\n[114/114] done\n");
    ASSERT_TRUE(cycleUntil([&] { return barks > 0; }, 12)) << "no bark at 7";
    finishFlashes();
    EXPECT_EQ(barks, 1);
    EXPECT_EQ(reads[0], std::optional<std::string>("7"));
}

}  // namespace
}  // namespace kestrove::testing
