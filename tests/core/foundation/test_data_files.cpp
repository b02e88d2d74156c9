#include "core/foundation/data_files.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kestrove {
namespace {

namespace fs = std::filesystem;

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("kestrove-data-files-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(folder)) out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path folder;
};

TEST_F(DataFiles, AWriteReplacesTheFileWholeAndLeavesNothingElse) {
    const fs::path file = folder / "watches.json";
    ASSERT_TRUE(writeFileAtomically(file, "first").ok());
    EXPECT_EQ(read(file), "first");
    const std::vector<std::uint8_t> bytes{'s', 0, 'c'};
    const auto second = writeFileAtomically(file, bytes);
    ASSERT_TRUE(second.ok()) << second.error();
    EXPECT_EQ(read(file), std::string("s\0c", 3));
    ASSERT_TRUE(writeFileAtomically(file, "").ok());
    EXPECT_EQ(read(file), "");
    EXPECT_EQ(names(), std::vector<std::string>{"watches.json"}) << "no temporary file left behind";
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(DataFiles, AWriteThatFailsSaysWhyAndTouchesNothing) {
    // The name is taken by a folder: the rename fails after the data is written.
    fs::create_directory(folder / "taken");
    const auto taken = writeFileAtomically(folder / "taken", "new");
    ASSERT_FALSE(taken.ok());
    EXPECT_NE(taken.error().find("taken"), std::string::npos) << taken.error();
    EXPECT_TRUE(fs::is_directory(folder / "taken"));
    EXPECT_EQ(names(), std::vector<std::string>{"taken"}) << "no temporary file left behind";

    const auto missing = writeFileAtomically(folder / "gone" / "file", "new");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("gone"), std::string::npos) << missing.error();
}

TEST_F(DataFiles, PrivateFoldersAreMadeWithTheirParentsAndAFileIsNoFolder) {
    const fs::path nested = folder / "a" / "b";
    ASSERT_TRUE(makePrivateFolder(nested).ok());
    for (const fs::path& made : {folder / "a", nested}) {
        struct stat st {};
        ASSERT_EQ(::stat(made.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
    }
    EXPECT_TRUE(makePrivateFolder(nested).ok()) << "an existing folder is fine";

    ASSERT_TRUE(writeFileAtomically(folder / "plain", "x").ok());
    const auto refused = makePrivateFolder(folder / "plain");
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("is not a folder"), std::string::npos) << refused.error();

    // An existing folder others could reach into is narrowed.
    fs::create_directory(folder / "open");
    fs::permissions(folder / "open", fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read);
    ASSERT_TRUE(makePrivateFolder(folder / "open").ok());
    struct stat st {};
    ASSERT_EQ(::stat((folder / "open").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(DataFiles, APrivateFolderIsOursOrOurOwnLinkToOneOfOurs) {
    fs::create_directory(folder / "elsewhere");
    fs::permissions(folder / "elsewhere", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory_symlink(folder / "elsewhere", folder / "link");
    // Root can hand a folder, or a link, to another user; anyone else finds
    // a folder of another user in "/".
    fs::path foreign = "/";
    std::vector<fs::path> foreignLinks;
    if (::geteuid() == 0) {
        foreign = folder / "foreign";
        fs::create_directory(foreign);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        fs::create_directory_symlink(folder / "elsewhere", folder / "planted");
        ASSERT_EQ(::lchown((folder / "planted").c_str(), 65534, 65534), 0);
        foreignLinks.push_back(folder / "planted");
        fs::create_directory_symlink(foreign, folder / "to-foreign");
        foreignLinks.push_back(folder / "to-foreign");
    }
    struct Case {
        fs::path path;
        std::string why;
    };
    std::vector<Case> cases = {
        {folder / "link", ""},  // the user's own data folder kept elsewhere
        {folder / "link" / "inside", ""},
        {foreign, "belongs to another user"},
    };
    if (!foreignLinks.empty()) {
        cases.push_back({foreignLinks[0], "is a link of another user"});
        cases.push_back({foreignLinks[1], "belongs to another user"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        const auto made = makePrivateFolder(c.path);
        EXPECT_EQ(made.ok(), c.why.empty());
        if (!made.ok()) {
            EXPECT_NE(made.error().find(c.why), std::string::npos) << made.error();
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat((folder / "elsewhere").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "the folder a link leads to is made private";
    if (::geteuid() == 0) {
        ASSERT_EQ(::stat(foreign.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
    }
}

TEST_F(DataFiles, OnlyTheTemporaryNamesOfAWriteAreTakenForOne) {
    struct Case {
        const char* name;
        std::optional<std::string_view> of;
    } cases[] = {
        {"watches.json.kestrove-tmp-aZ09bY", "watches.json"},
        {"w_0A1B2C.png.kestrove-tmp-QQQQQQ", "w_0A1B2C.png"},
        {".kestrove-tmp-AAAAAA", std::nullopt},  // no name before it
        {"watches.json", std::nullopt},
        {"watches.json.kestrove-tmp-Ab12C", std::nullopt},
        {"watches.json.kestrove-tmp-Ab12Cd3", std::nullopt},
        {"watches.json.kestrove-tmp-Ab-2Cd", std::nullopt},
        {"watches.json.kestrove-tmp-Ab_2Cd", std::nullopt},
        {"watches.json.kestrove-tmpxAb12Cd", std::nullopt},
        {"watches.json.damaged-20260301T093000Z", std::nullopt},
        // A user's own copies, and what older builds' saves left: six
        // letters or digits after a dot are no mark of ours.
        {"watches.json.backup", std::nullopt},
        {"watches.json.before", std::nullopt},
        {"settings.json.backup", std::nullopt},
        {"w_0A1B2C.png.backup", std::nullopt},
        {"watches.json.aZ09bY", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(interruptedWriteOf(c.name), c.of) << c.name;
}

TEST_F(DataFiles, LeftoversOfInterruptedWritesAreRemovedForTheWantedNamesAlone) {
    const auto make = [&](const std::string& name) { std::ofstream(folder / name) << "part of a write"; };
    for (const char* name : {"watches.json.kestrove-tmp-k3Jd9Q", "watches.json.kestrove-tmp-000000",
                             "notes.txt.kestrove-tmp-k3Jd9Q", "watches.json", "watches.json.bak", "watches.json.backup",
                             "watches.json.damaged-20260301T093000Z", "watches.json.kestrove-tmp-k3Jd9"})
        make(name);
    // Not plain files: a folder, and a link (to a file that must survive too).
    fs::create_directory(folder / "watches.json.kestrove-tmp-Folder");
    std::ofstream(folder / "target") << "kept";
    fs::create_symlink(folder / "target", folder / "watches.json.kestrove-tmp-LinkTo");

    std::vector<fs::path> removed =
        removeInterruptedWrites(folder, [](std::string_view name) { return name == "watches.json"; });
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (std::vector<fs::path>{folder / "watches.json.kestrove-tmp-000000",
                                              folder / "watches.json.kestrove-tmp-k3Jd9Q"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"notes.txt.kestrove-tmp-k3Jd9Q", "target", "watches.json",
                                                 "watches.json.backup", "watches.json.bak",
                                                 "watches.json.damaged-20260301T093000Z",
                                                 "watches.json.kestrove-tmp-Folder", "watches.json.kestrove-tmp-LinkTo",
                                                 "watches.json.kestrove-tmp-k3Jd9"}));
    EXPECT_EQ(read(folder / "target"), "kept");
    EXPECT_TRUE(removeInterruptedWrites(folder / "missing", [](std::string_view) { return true; }).empty());
}

}  // namespace
}  // namespace kestrove
