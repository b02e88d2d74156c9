// The direct reader on a Chromium page served from the loopback: a number
// watch whose picture and direct readings agree adopts direct reading, a
// dark section reads as well, and Chromium is told from its helpers alone.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/platform/atspi/direct_access.hpp"
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

TEST(ChromiumPage, ANumberWatchOnThePageAgreesAndAdoptsDirectReadingAndChromiumIsToldByItsHelpers) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    desktop::Readers readers;
    testing::HttpTestServer server;
    testing::ScriptedAnswer html;
    html.body = page;
    html.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    server.answer("/order.html", html);
    QTemporaryDir profile;
    const QStringList flags{"--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                            "--disable-component-update", "--disable-sync", "--disable-quic",
                            "--force-renderer-accessibility", "--window-position=40,40", "--window-size=900,650",
                            "--user-data-dir=" + profile.path()};
    RealApp browser("chromium", flags + QStringList{QString::fromStdString(server.url("/order.html"))});
    const std::optional<WindowInfo> window = browser.window(readers.windows);
    ASSERT_TRUE(window);
    auto around = [&](const std::string& words) { return readers.around(window->frame, words); };

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
    const auto pid = static_cast<std::int32_t>(browser.pid());
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

}  // namespace
}  // namespace kestrove
