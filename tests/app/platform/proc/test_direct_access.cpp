// What /proc tells about a window's program, and the Chromium verdict from it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/platform/proc/direct_access.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using ChromiumDetection::Confidence;

// A made-up /proc with a program folder beside it.
class FakeProc {
public:
    FakeProc() : root_(fs::temp_directory_path() / ("kestrove-proc-" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "proc");
        fs::create_directories(root_ / "opt");
    }
    ~FakeProc() { fs::remove_all(root_); }

    std::string proc() const { return (root_ / "proc").string(); }
    fs::path program(const std::string& folder) const { return root_ / "opt" / folder; }

    void file(const fs::path& path, const std::string& content) const {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    // A process with its parent, executable, arguments and mapped files.
    void process(int pid, int parent, const fs::path& exe, const std::vector<std::string>& args = {},
                 const std::string& maps = "", const std::string& cgroup = "0::/user.slice\n") const {
        const fs::path p = root_ / "proc" / std::to_string(pid);
        fs::create_directories(p);
        file(p / "stat", std::to_string(pid) + " (a (b) c) S " + std::to_string(parent) + " 1 1 0\n");
        std::string cmd;
        for (const auto& a : args) cmd += a + '\0';
        file(p / "cmdline", cmd);
        file(p / "maps", maps);
        file(p / "cgroup", cgroup);
        file(p / "comm", exe.filename().string() + "\n");
        if (!exe.empty()) fs::create_symlink(exe, p / "exe");
    }

private:
    fs::path root_;
};

TEST(DirectAccess, OurOwnProcessIsSurelyNotChromium) {
    const auto verdict = DirectAccess::chromium(static_cast<std::int32_t>(::getpid()));
    EXPECT_FALSE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, Confidence::sure) << verdict.why;
    const auto facts = DirectAccess::facts(static_cast<std::int32_t>(::getpid()));
    EXPECT_EQ(facts.appID, "app_test_direct_access");
    ASSERT_TRUE(facts.frameworks);
    EXPECT_NE(std::find(facts.frameworks->begin(), facts.frameworks->end(), "app_test_direct_access"),
              facts.frameworks->end());
}

TEST(DirectAccess, ABrowserWithItsRenderersIsChromium) {
    FakeProc p;
    const fs::path exe = p.program("browser") / "web-browser";
    p.file(exe, "");
    p.file(p.program("browser") / "resources.pak", "");
    p.file(p.program("browser") / "chrome_crashpad_handler", "");
    p.process(100, 1, exe, {"web-browser"}, "7f00-7f10 r-xp 0 08:01 1 /usr/lib/libc.so.6\n");
    p.process(101, 100, exe, {"web-browser", "--type=zygote"});
    p.process(102, 101, exe, {"web-browser", "--type=renderer", "--lang=en"});
    p.process(103, 102, exe, {"web-browser", "--type=too-deep"});
    p.process(200, 1, exe, {"web-browser", "--type=renderer"});  // another browser's

    const auto facts = DirectAccess::facts(100, p.proc());
    EXPECT_EQ(facts.appID, "web-browser");
    EXPECT_EQ(facts.helpers, (std::vector<std::string>{"chrome_crashpad_handler", "--type=zygote", "--type=renderer"}));
    ASSERT_TRUE(facts.frameworks);
    EXPECT_EQ(*facts.frameworks,
              (std::vector<std::string>{"libc.so.6", "chrome_crashpad_handler", "resources.pak", "web-browser"}));
    const auto verdict = DirectAccess::chromium(100, p.proc());
    EXPECT_TRUE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, Confidence::sure);
}

TEST(DirectAccess, HelpersWhoseCommandLineWasRewrittenAsOneStringStillCount) {
    // Chromium joins a helper's arguments with spaces in the original
    // arguments' memory and pads the rest with separators.
    FakeProc p;
    const fs::path exe = p.program("unlisted") / "unlisted-browser";
    p.file(exe, "");
    p.file(p.program("unlisted") / "icudtl.dat", "");
    p.process(500, 1, exe, {"unlisted-browser"});
    p.process(501, 500, exe,
              {"/opt/unlisted-browser --type=zygote --crash-reporter=,built on Debian GNU/Linux 12 (bookworm)", "",
               ""});
    p.process(502, 501, exe, {"/opt/unlisted-browser --lang=en-US --type=renderer --enable-x"});
    p.process(503, 500, exe, {"/opt/unlisted-browser --type= --no-type --typed=x"});

    EXPECT_EQ(DirectAccess::facts(500, p.proc()).helpers,
              (std::vector<std::string>{"--type=zygote", "--type=renderer"}));
    const auto verdict = DirectAccess::chromium(500, p.proc());
    EXPECT_TRUE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, Confidence::sure);
    EXPECT_EQ(verdict.why, "icudtl.dat beside a renderer helper");
}

TEST(DirectAccess, ElectronAppsShipTheirAppInResources) {
    FakeProc p;
    const fs::path exe = p.program("notes") / "notes";
    p.file(exe, "");
    p.file(p.program("notes") / "resources" / "app.asar", "");
    p.process(300, 1, exe);
    EXPECT_EQ(DirectAccess::chromium(300, p.proc()).why, "Electron Framework in the bundle");
}

TEST(DirectAccess, SandboxIdsComeFirst) {
    struct Case {
        std::string cgroup;
        std::optional<std::string> expected;
    };
    for (const Case& c : std::vector<Case>{
             {"0::/user.slice/user@1000.service/app.slice/app-flatpak-com.google.Chrome-12345.scope\n",
              "com.google.Chrome"},
             {"0::/user.slice/user@1000.service/app.slice/snap.chromium.chromium-5678.scope\n", "chromium"},
             {"0::/user.slice/user@1000.service/app.slice/snapd-desktop.scope\n", "viewer"},
         }) {
        FakeProc p;
        const fs::path exe = p.program("x") / "viewer";
        p.file(exe, "");
        p.process(400, 1, exe, {}, "", c.cgroup);
        EXPECT_EQ(DirectAccess::facts(400, p.proc()).appID, c.expected) << c.cgroup;
    }
    FakeProc p;
    p.process(401, 1, p.program("x") / "viewer");
    p.file(fs::path(p.proc()) / "401" / "root" / ".flatpak-info", "[Application]\nname=com.slack.Slack\nruntime=x\n");
    EXPECT_EQ(DirectAccess::facts(401, p.proc()).appID, "com.slack.Slack");
    EXPECT_TRUE(DirectAccess::chromium(401, p.proc()).isChromium);
}

TEST(DirectAccess, AProcessThatCannotBeLookedIntoIsUnknown) {
    FakeProc p;
    const auto verdict = DirectAccess::chromium(999, p.proc());
    EXPECT_FALSE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, Confidence::unknown);
    EXPECT_EQ(DirectAccess::facts(0, p.proc()), DirectAccess::ProcessFacts{});
}

}  // namespace
}  // namespace kestrove
