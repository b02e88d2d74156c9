// The direct reader on a Chromium page served from the loopback: a number
// watch whose picture and direct readings agree adopts direct reading, a
// dark section reads as well, and Chromium is told from its helpers alone;
// a session that goes on from its latest walk still sees the page change,
// scroll (which Chromium does not announce) and give way to another tab;
// a line of inline elements reads in screen order, or not at all.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "app/platform/proc/direct_access.hpp"
#include "core/windows/direct_agreement.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/real_apps.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using desktop::RealApp;
using desktop::texts;

const char* const page = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Order</title>
<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 0; color: #222; background: #fff; }
section { padding: 16px 24px; }
.dark { background: #1e1f24; color: #e8e8e8; }
</style></head><body>
<section><h1 style="font-size: 24px">Order summary</h1>
<p style="font-size: 20px">Total: €1.299,00</p>
<p style="font-size: 11px">Delivery in 3 to 5 working days</p></section>
<section class="dark"><p style="font-size: 16px">Build status: 12 of 40 jobs done</p></section>
</body></html>)";

// A hundred rows of 30 points; "c" changes the fourth (keeping its width), "s" scrolls by five rows.
const char* const rows = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Rows</title>
<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 0; color: #222; background: #fff; }
p { margin: 0; height: 30px; line-height: 30px; font-size: 18px; padding-left: 24px; }
</style></head><body>
<script>
for (let i = 0; i < 100; ++i) {
  const p = document.createElement('p');
  p.id = 'r' + i;
  p.textContent = 'Row ' + i;
  document.body.appendChild(p);
}
document.addEventListener('keydown', e => {
  if (e.key === 'c') document.getElementById('r3').textContent = 'Row 5';
  if (e.key === 's') window.scrollBy(0, 150);
});
</script></body></html>)";

// A status line at the page's corner, where the browser keeps hidden views
// of its own, under a pop-up folded to nothing whose button lies over it;
// "o" unfolds the pop-up.
const char* const folded = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Pay</title>
<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 0; color: #222; background: #fff; }
#status { position: absolute; left: 0; top: 0; margin: 0; font-size: 20px; }
#pop { position: absolute; left: 0; top: 0; width: 0; height: 0; overflow: hidden; }
#pop.open { width: auto; height: auto; }
button { width: 180px; height: 26px; font-size: 14px; }
</style></head><body>
<p id="status">Payment pending</p>
<div id="pop"><div><button>Close</button></div></div>
<script>
document.addEventListener('keydown', e => { if (e.key === 'o') document.getElementById('pop').className = 'open'; });
</script></body></html>)";

// Lines whose text runs around an inline element of their own: a progress
// bar, a link; a small label beside a large price on one baseline; progress
// bars named by a label beside them, or by the text they show.
const char* const inline_ = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Downloads</title>
<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 0; color: #222; background: #fff; }
div { font-size: 20px; padding: 12px 24px; }
.label { font-size: 14px; color: #555; } .price { font-size: 44px; font-weight: bold; color: #c8102e; }
.bar { display: inline-block; width: 260px; height: 28px; background: #cde; vertical-align: middle; }
</style></head><body>
<div>report.pdf <progress max="100" value="42"></progress> 42%</div>
<div>Saved to <a href="#">notes.txt</a> today</div>
<div><span class="label">Price:</span> <span class="price">$249</span></div>
<div><label for="copy">Copying photos</label> <progress id="copy" max="100" value="30"></progress></div>
<div>Backup <span class="bar" role="progressbar" aria-valuenow="42" aria-label="Sending 42 files">Sending 42 files</span></div>
</body></html>)";

// A page served from the loopback, shown by Chromium.
struct ShownPage {
    desktop::Readers readers;
    testing::HttpTestServer server;
    QTemporaryDir profile;
    std::unique_ptr<RealApp> browser;
    std::optional<WindowInfo> window;

    explicit ShownPage(const char* body) {
        testing::ScriptedAnswer html;
        html.body = body;
        html.headers = {{"Content-Type", "text/html; charset=utf-8"}};
        server.answer("/page.html", html);
        browser = std::make_unique<RealApp>(
            "chromium", QStringList{"--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                                    "--disable-component-update", "--disable-sync", "--disable-quic",
                                    "--force-renderer-accessibility", "--window-position=40,40",
                                    "--window-size=900,650", "--user-data-dir=" + profile.path(),
                                    QString::fromStdString(server.url("/page.html"))});
        window = browser->window(readers.windows);
    }
};

TEST(ChromiumPage, AChangeAScrollAndAnotherTabShowOnTheNextReads) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    ShownPage shown(rows);
    ASSERT_TRUE(shown.window);
    const auto row = shown.readers.around(shown.window->frame, "Row 3");
    ASSERT_TRUE(row.session);
    std::vector<std::string> last;
    auto reads = [&](const std::vector<std::string>& expected) {
        return desktop::Readers::readsSoon(*row.session, expected, last);
    };
    ASSERT_TRUE(reads({"Row 3"})) << ::testing::PrintToString(last);
    ASSERT_TRUE(reads({"Row 3"}));  // from what the first read found
    // The page takes the keys once clicked (not the address bar).
    QProcess::execute("xdotool", {"mousemove", QString::number(row.region.x + 200), QString::number(row.region.y + 200),
                                  "click", "1"});
    auto press = [&](const char* keys) { QProcess::execute("xdotool", {"key", keys}); };

    press("c");
    EXPECT_TRUE(reads({"Row 5"})) << ::testing::PrintToString(last);
    press("s");
    EXPECT_TRUE(reads({"Row 8"})) << "the page scrolled under the box: " << ::testing::PrintToString(last);

    // Adopted, the page gives way to a new tab.
    desktop::await<bool>([&](auto done) { return row.session->adopt([done] { done(true); }); });
    press("ctrl+t");
    EXPECT_TRUE(desktop::waitFor([&] {
        const auto silence = desktop::Readers::readOnce(*row.session).silence();
        return silence == DirectSilence::otherTab || silence == DirectSilence::notExposed;
    }));
}

TEST(ChromiumPage, WhatDoesNotShowAddsNothingUntilItShows) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    ShownPage shown(folded);
    ASSERT_TRUE(shown.window);
    const auto status = shown.readers.around(shown.window->frame, "Payment pending");
    ASSERT_TRUE(status.session);
    std::vector<std::string> last;
    auto reads = [&](const std::vector<std::string>& expected) {
        return desktop::Readers::readsSoon(*status.session, expected, last);
    };
    // The folded pop-up's button, and the browser's own hidden views at the
    // page's corner, are in the tree with places over the box, not showing.
    EXPECT_TRUE(reads({"Payment pending"})) << ::testing::PrintToString(last);
    EXPECT_TRUE(reads({"Payment pending"})) << "from what the first read found: " << ::testing::PrintToString(last);

    QProcess::execute("xdotool", {"mousemove", QString::number(status.region.x + 300),
                                  QString::number(status.region.y + 300), "click", "1", "key", "o"});
    EXPECT_TRUE(desktop::waitFor([&] {
        const DirectAnswer a = desktop::Readers::readOnce(*status.session);
        last = a.lines() ? texts(*a.lines()) : std::vector<std::string>{};
        return std::find(last.begin(), last.end(), "Close") != last.end();
    })) << "unfolded, the pop-up's button shows: " << ::testing::PrintToString(last);
}

TEST(ChromiumPage, ANumberWatchOnThePageAgreesAndAdoptsDirectReadingAndChromiumIsToldByItsHelpers) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    ShownPage shown(page);
    ASSERT_TRUE(shown.window);
    desktop::Readers& readers = shown.readers;
    auto around = [&](const std::string& words) { return readers.around(shown.window->frame, words); };

    const auto total = around("Total:");
    ASSERT_TRUE(total.session);
    EXPECT_TRUE(total.session->onScreenOnly());
    const DirectAnswer direct = readers.direct(*total.session);
    ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());
    EXPECT_EQ(texts(*direct.lines()), (std::vector<std::string>{"Total: €1.299,00"}));
    EXPECT_TRUE(desktop::insideTheBox(*direct.lines()));

    WatchSpec price;
    price.type = WatchType::numberCompare;
    price.comparator = Comparison::lt;
    price.value = 1000;
    price.target.unit = ValueUnit::eur;
    price.region = total.region;
    const std::vector<OCRLine> picture = readers.picture(total.region, false);
    EXPECT_EQ(DirectAgreement::check(price, picture, *direct.lines()), DirectAgreement::agrees)
        << ::testing::PrintToString(texts(picture));
    EXPECT_EQ(DirectAgreement::adopt(price, picture, *direct.lines(), total.session->onScreenOnly()).direct,
              DirectInfo{true});

    // Light text in the page's dark section reads the same way.
    const auto dark = around("Build status");
    ASSERT_TRUE(dark.session);
    const DirectAnswer status = readers.direct(*dark.session);
    ASSERT_TRUE(status.lines()) << rawValue(*status.silence());
    EXPECT_EQ(texts(*status.lines()), (std::vector<std::string>{"Build status: 12 of 40 jobs done"}));

    // Chromium is told from its helpers alone, without its known id.
    const auto pid = static_cast<std::int32_t>(shown.browser->pid());
    DirectAccess::ProcessFacts facts;
    // The page's renderer starts once the page loads.
    ASSERT_TRUE(desktop::waitFor([&] {
        facts = DirectAccess::facts(pid);
        return std::find(facts.helpers.begin(), facts.helpers.end(), "--type=renderer") != facts.helpers.end();
    })) << ::testing::PrintToString(facts.helpers);
    EXPECT_EQ(DirectAccess::chromium(pid).why, "a known Chromium app (chromium)");

    // An unlisted program shipping the same files and helpers.
    const auto unlisted = ChromiumDetection::verdict("unlisted-browser", facts.frameworks, facts.helpers);
    EXPECT_TRUE(unlisted.isChromium);
    EXPECT_EQ(unlisted.confidence, ChromiumDetection::Confidence::sure) << unlisted.why;
    // And with nothing but its helpers to go by.
    const auto helpersOnly = ChromiumDetection::verdict("unlisted-browser", std::vector<std::string>{}, facts.helpers);
    EXPECT_TRUE(helpersOnly.isChromium);
    EXPECT_EQ(helpersOnly.why, "a renderer helper app in the bundle");
}

// Read in screen order, or not at all where what shows is not in the tree's texts.
TEST(ChromiumPage, ALineAroundInlineElementsReadsInScreenOrderOrNotAtAll) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    ShownPage shown(inline_);
    ASSERT_TRUE(shown.window);
    struct Case {
        const char* seen;
        std::vector<std::string> read;  // a silence by its name
    };
    for (const Case& c : {Case{"report.pdf", {"report.pdf 42%"}}, Case{"Saved to", {"Saved to notes.txt today"}},
                          Case{"Price:", {"Price:", "$249"}}, Case{"Copying photos", {"Copying photos"}},
                          Case{"Backup", {"notExposed"}}}) {
        // The box takes the whole line, however the picture splits it at the element.
        const std::optional<Rect> start = shown.readers.locate(shown.window->frame, c.seen);
        ASSERT_TRUE(start) << c.seen;
        const WatchRegion box =
            shown.readers.drawAround(Rect{start->x, start->y, 400, start->height}, shown.window->frame);
        const std::shared_ptr<DirectSession> session = shown.readers.open(box);
        ASSERT_TRUE(session);
        std::vector<std::string> last;
        EXPECT_TRUE(desktop::Readers::readsSoon(*session, c.read, last)) << ::testing::PrintToString(last);
    }
}

}  // namespace
}  // namespace kestrove
