#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "app/platform/dbus/notification_pictures.hpp"
#include "support/decode.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t hour = 60 * 60;

Image sample(int w, int h) {
    Image image(w, h);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t(i * 7);
    return image;
}

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 0777;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

void touch(const fs::path& file, std::time_t when) {
    std::ofstream(file) << "x";
    const utimbuf times{when, when};
    ::utime(file.c_str(), &times);
}

// Sets a variable, or with none unsets it. (No other test here reads them.)
void setVariable(const char* name, const std::optional<std::string>& value) {
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
}

TEST(NotificationPictures, TheFolderComesFromTheEnvironment) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    fs::create_directory(root / "runtime");
    struct Case {
        std::optional<std::string> runtime, cache, home;
        fs::path folder;
    };
    const Case cases[] = {
        {(root / "runtime").string(), (root / "cache").string(), (root / "home").string(), root / "runtime/kestrove"},
        // A runtime folder that does not exist, or is not absolute, is passed over.
        {(root / "gone").string(), (root / "cache").string(), {}, root / "cache/Kestrove/notifications"},
        {"relative", (root / "cache").string(), {}, root / "cache/Kestrove/notifications"},
        {{}, {}, (root / "home").string(), root / "home/.cache/Kestrove/notifications"},
        {{}, "", (root / "home").string(), root / "home/.cache/Kestrove/notifications"},
    };
    for (const auto& c : cases) {
        setVariable("XDG_RUNTIME_DIR", c.runtime);
        setVariable("XDG_CACHE_HOME", c.cache);
        setVariable("HOME", c.home);
        EXPECT_EQ(NotificationPictures::defaultFolder(), c.folder) << c.runtime.value_or("(unset)");
    }
}

TEST(NotificationPictures, EachPictureIsAPrivateFileOfItsOwn) {
    QTemporaryDir dir;
    const fs::path cache = fs::path(dir.path().toStdString()) / "cache";
    NotificationPictures pictures(cache / "Kestrove" / "notifications");
    const Image image = sample(7, 5);

    const auto first = pictures.store(image);
    const auto second = pictures.store(image);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first->parent_path(), pictures.folder());
    // Every folder made on the way is ours alone.
    EXPECT_EQ(modeOf(cache), 0700u);
    EXPECT_EQ(modeOf(cache / "Kestrove"), 0700u);
    EXPECT_EQ(modeOf(pictures.folder()), 0700u);
    EXPECT_EQ(modeOf(*first), 0600u);

    std::ifstream in(*first, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const auto decoded = testing::decodePng(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->image, image);
}

TEST(NotificationPictures, LargePicturesAreShrunkToAThumbnailOfTheSameShape) {
    QTemporaryDir dir;
    NotificationPictures pictures(fs::path(dir.path().toStdString()) / "pictures");
    struct Case {
        int w, h, storedW, storedH;
    };
    for (const Case& c : {Case{1280, 800, 640, 400}, Case{300, 2000, 96, 640}, Case{640, 10, 640, 10}}) {
        const auto file = pictures.store(sample(c.w, c.h));
        ASSERT_TRUE(file);
        std::ifstream in(*file, std::ios::binary);
        const auto decoded = testing::decodePng({std::istreambuf_iterator<char>(in), {}});
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->image.width, c.storedW) << c.w << "x" << c.h;
        EXPECT_EQ(decoded->image.height, c.storedH) << c.w << "x" << c.h;
    }
}

TEST(NotificationPictures, AFolderOthersCouldReadIsNarrowedAndAPlantedLinkIsRefused) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    fs::create_directory(root / "open");
    ::chmod((root / "open").c_str(), 0755);
    EXPECT_TRUE(NotificationPictures(root / "open").store(sample(2, 2)));
    EXPECT_EQ(modeOf(root / "open"), 0700u);

    // Only root can plant a link in another user's name.
    if (::geteuid() == 0) {
        fs::create_directory(root / "elsewhere");
        fs::create_directory_symlink(root / "elsewhere", root / "link");
        ASSERT_EQ(::lchown((root / "link").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(NotificationPictures(root / "link").store(sample(2, 2)));
        EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
    }

    EXPECT_FALSE(NotificationPictures(root / "fine").store(Image{}));
}

TEST(NotificationPictures, PicturesOlderThanADayGoButNeverTheOneJustPosted) {
    QTemporaryDir dir;
    const fs::path folder = fs::path(dir.path().toStdString()) / "pictures";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    const std::time_t now = std::time(nullptr);
    touch(folder / "old.png", now - 25 * hour);
    touch(folder / "young.png", now - 23 * hour);
    touch(folder / "old-note.txt", now - 48 * hour);

    NotificationPictures pictures(folder);
    const auto posted = pictures.store(sample(3, 3));
    ASSERT_TRUE(posted);
    EXPECT_EQ(namesIn(folder),
              (std::set<std::string>{"young.png", "old-note.txt", posted->filename().string()}));

    // Even when the clock jumps two days ahead, the picture just posted stays.
    pictures.prune(now + 48 * hour, *posted);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"old-note.txt", posted->filename().string()}));
}

}  // namespace
}  // namespace kestrove
