// The developer modes' output folder: what it writes, and that a write that
// fails is kept, named and turned into the mode's exit code.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dev/dev_files.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using DevFiles::OutputFolder;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DevOutputFolder, WritesWholeFilesAndLeavesNothingElse) {
    QTemporaryDir dir;
    OutputFolder output(fs::path(dir.path().toStdString()) / "a" / "b");
    ASSERT_TRUE(output.prepare());
    // The probe that showed the folder takes a file is gone again.
    EXPECT_TRUE(fs::is_empty(output.path()));

    EXPECT_TRUE(output.writeReport({"one", "", "three"}));
    EXPECT_EQ(contents(output.path() / "report.txt"), "one\n\nthree\n");

    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(QColor(10, 200, 30, 77));
    ASSERT_TRUE(output.writePicture("p.png", picture));
    const auto read = DevFiles::readPng(output.path() / "p.png");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->width, 3);
    EXPECT_EQ(read->height, 2);
    EXPECT_EQ(read->rgba[3], 77) << "the alpha is kept";

    EXPECT_FALSE(output.failure());
    EXPECT_EQ(output.exitCode(2), 2);
}

TEST(DevOutputFolder, TheFirstFailedWriteIsKeptNamedAndEndsTheMode) {
    QTemporaryDir dir;
    const fs::path gone = fs::path(dir.path().toStdString()) / "gone";
    OutputFolder output(gone);
    ASSERT_TRUE(output.prepare());
    fs::remove(gone);

    EXPECT_FALSE(output.writePicture("null.png", QImage()));
    ASSERT_TRUE(output.failure());
    EXPECT_NE(output.failure()->find((gone / "null.png").string()), std::string::npos) << *output.failure();
    const std::string first = *output.failure();

    EXPECT_FALSE(output.writeReport({"line"}));
    EXPECT_FALSE(output.write("x", "y"));
    EXPECT_EQ(*output.failure(), first);
    EXPECT_FALSE(fs::exists(gone));
    for (int code : {0, 1, 3}) EXPECT_EQ(output.exitCode(code), DevFiles::cannotWrite);
}

}  // namespace
}  // namespace kestrove
