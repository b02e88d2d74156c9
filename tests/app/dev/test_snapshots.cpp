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
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a/b"));
    std::ostringstream out;
    EXPECT_EQ(Snapshots::render(folder.toStdString(), out, std::chrono::milliseconds(10)), 0);
    // 52 surfaces of the new-watch panel, frame, welcome, menu and chat windows, and the status item.
    const QStringList files = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 2 * 53);
    EXPECT_EQ(out.str(),
              "Kestrove: wrote " + std::to_string(files.size()) + " snapshots to " + folder.toStdString() + "\n");

    auto load = [&](const QString& name) { return QImage(folder + "/" + name + ".png"); };
    for (const QString& file : files.filter(QStringLiteral("-light.png"))) {
        const QString name = file.chopped(10);
        SCOPED_TRACE(name.toStdString());
        const QImage light = load(name + "-light"), dark = load(name + "-dark");
        ASSERT_FALSE(light.isNull());
        ASSERT_FALSE(dark.isNull());
        if (name == QStringLiteral("status-item")) {
            EXPECT_EQ(light.size(), QSize(600, 96));
            EXPECT_EQ(dark.size(), QSize(600, 96));
            EXPECT_LT(meanGrey(dark), meanGrey(light) - 100);
            continue;
        }
        EXPECT_GT(light.width(), 100);
        EXPECT_GT(light.height(), 60);
        EXPECT_LT(meanGrey(dark), meanGrey(light) - 40);
    }
    // Stages that differ only in what the dialogue reached differ in their pictures.
    EXPECT_NE(load("input-empty-light"), load("input-typed-light"));
    EXPECT_NE(load("ask-local-only-light"), load("ask-cloud-not-set-up-light"));
    EXPECT_NE(load("card-number-light"), load("card-window-light"));
    EXPECT_NE(load("telegram-no-bot-light"), load("telegram-unreachable-light"));
}

}  // namespace
}  // namespace kestrove
