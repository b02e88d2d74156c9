#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/shell/file_defaults.hpp"
#include "support/app/stderr_capture.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

struct Folder {
    QTemporaryDir dir;
    fs::path file() const { return fs::path(dir.path().toStdString()) / "Kestrove" / "settings.json"; }
    std::vector<fs::path> entries() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(file().parent_path())) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST(FileDefaults, EveryTypeComesBackAfterARestart) {
    Folder folder;
    const std::vector<std::uint8_t> bytes{0, 0x7f, 0xff, 0x10};
    {
        FileDefaults store(folder.file());
        store.set("didOnboard", true);
        store.set("pause", 1.75e9);
        store.set("apiBaseURL", std::string("https://example.test/ü"));
        store.set("recent", bytes);
        store.set("gone", std::string("soon"));
        store.removeObject("gone");
    }
    EXPECT_EQ(fs::status(folder.file().parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    const FileDefaults again(folder.file());
    EXPECT_EQ(again.object("didOnboard"), DefaultsValue(true));
    EXPECT_EQ(again.object("pause"), DefaultsValue(1.75e9));
    EXPECT_EQ(again.object("apiBaseURL"), DefaultsValue(std::string("https://example.test/ü")));
    EXPECT_EQ(again.object("recent"), DefaultsValue(bytes));
    EXPECT_EQ(again.object("gone"), std::nullopt);
}

TEST(FileDefaults, AFileThatCannotBeUsedIsKeptAside) {
    const char* damaged[] = {"{\"didOnboard\": tru", "[true]", "{\"a\": [1]}", "{\"a\": {\"data\": \"abc\"}}",
                             "{\"a\": {\"data\": \"zz\"}}"};
    for (const char* text : damaged) {
        Folder folder;
        fs::create_directories(folder.file().parent_path());
        std::ofstream(folder.file()) << text;
        testing::StderrCapture log;
        FileDefaults store(folder.file());
        EXPECT_EQ(store.object("a"), std::nullopt) << text;
        const auto aside = folder.entries();
        ASSERT_EQ(aside.size(), 1u) << "kept aside as it is read, nothing written: " << text;
        EXPECT_EQ(aside[0].string().rfind("settings.json.damaged-", 0), 0u) << aside[0];
        std::stringstream kept;
        kept << std::ifstream(folder.file().parent_path() / aside[0]).rdbuf();
        EXPECT_EQ(kept.str(), text);
        const std::string said = log.text();
        EXPECT_NE(said.find("cannot be used ("), std::string::npos) << said;
        EXPECT_NE(said.find("kept them as " + (folder.file().parent_path() / aside[0]).string()), std::string::npos)
            << said;

        store.set("localOnly", true);
        store.flush();
        const auto entries = folder.entries();
        ASSERT_EQ(entries.size(), 2u) << text;
        EXPECT_EQ(entries[0], "settings.json");
        EXPECT_EQ(entries[1], aside[0]);
        EXPECT_EQ(FileDefaults(folder.file()).object("localOnly"), DefaultsValue(true));
    }
}

}  // namespace
}  // namespace kestrove
