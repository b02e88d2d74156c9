// The snapshot renderer on the offscreen platform: every surface in both
// appearances, each a picture that decodes, the status item at its size,
// and dark drawn darker than light.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <sstream>

#include "app/dev/snapshots.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

double meanGrey(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) sum += qGray(image.pixel(x, y));
    return sum / ((image.height() + 1) / 2) / ((image.width() + 1) / 2);
}

TEST(Snapshots, EverySurfaceLightAndDark) {
    offscreen::app();
    const std::vector<std::string> names = {
        "input-empty", "input-chips", "input-typed", "card-number", "card-window", "card-direct",
        "card-direct-chromium", "card-text-appears", "card-text-gone", "card-any-change", "card-minutes",
        "card-rule-text-gone", "card-rule-countdown", "card-new-line", "ask-cloud-consent", "card-cloud",
        "ask-cloud-not-set-up", "ask-local-only", "ask-cloud-unreachable", "ask-cloud-used-up", "ask-two-readings",
        "ask-already-true", "ask-which-number", "ask-not-visible", "ask-already-visible", "ask-too-vague",
        "ask-no-text", "frame-watching", "frame-watching-15s", "frame-barked", "frame-lost-sight", "frame-paused",
        "frame-cant-reach-server", "frame-local-only", "frame-model-checks-used-up", "onboarding",
        "onboarding-waiting", "onboarding-done",
#if __has_include("app/menu/menu_model.hpp")
        "menu-main", "menu-empty", "menu-all", "menu-one", "menu-many", "menu-checks-used-up",
        "menu-checks-used-up-small", "menu-update-out", "menu-up-to-date",
#endif
        "telegram-waiting", "telegram-connected", "telegram-no-bot",
        "telegram-unreachable", "telegram-expired"};
    QTemporaryDir dir;
    const std::string folder = dir.filePath(QStringLiteral("a/b")).toStdString();
    std::ostringstream out;
    EXPECT_EQ(Snapshots::render(folder, out, std::chrono::milliseconds(10)), 0);
    const std::size_t count = 2 * (names.size() + 1);
    EXPECT_EQ(out.str(), "Kestrove: wrote " + std::to_string(count) + " snapshots to " + folder + "\n");
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files).size(), qsizetype(count));

    auto load = [&](const std::string& name) { return QImage(QString::fromStdString(folder + "/" + name + ".png")); };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const QImage light = load(name + "-light"), dark = load(name + "-dark");
        ASSERT_FALSE(light.isNull());
        ASSERT_FALSE(dark.isNull());
        EXPECT_GT(light.width(), 100);
        EXPECT_GT(light.height(), 60);
        EXPECT_LT(meanGrey(dark), meanGrey(light) - 40);
    }
    for (const char* look : {"light", "dark"}) {
        EXPECT_EQ(load(std::string("status-item-") + look).size(), QSize(600, 96)) << look;
    }
    EXPECT_LT(meanGrey(load("status-item-dark")), meanGrey(load("status-item-light")) - 100);

    // Stages that differ only in what the dialogue reached differ in their pictures.
    EXPECT_NE(load("input-empty-light"), load("input-typed-light"));
    EXPECT_NE(load("ask-local-only-light"), load("ask-cloud-not-set-up-light"));
    EXPECT_NE(load("card-number-light"), load("card-window-light"));
    EXPECT_NE(load("telegram-no-bot-light"), load("telegram-unreachable-light"));
}

}  // namespace
}  // namespace kestrove
