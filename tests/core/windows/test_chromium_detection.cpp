#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "core/windows/chromium_detection.hpp"

using namespace kestrove;
using namespace kestrove::ChromiumDetection;

namespace {

using Names = std::vector<std::string>;

Verdict byID(const std::string& id) { return verdict(id, std::nullopt, {}); }

// File names of every library this test process maps.
Names mappedLibraries() {
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> names;
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.rfind('/');
        if (slash != std::string::npos) names.insert(line.substr(slash + 1));
    }
    return {names.begin(), names.end()};
}

}  // namespace

TEST(ChromiumDetection, KnownAppsMatchWholeIDsAndFamilies) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {  // id, entry of the known list
        {"com.google.Chrome", "com.google.Chrome"},
        {"com.google.Chrome.Canary", "com.google.Chrome"},
        {"com.opera.Opera", "com.opera."},
        {"chrome", "chrome"},
        {"Discord", "Discord"},
        {"com.google.ChromeDev", std::nullopt},  // no full stop after the entry
        {"com.opera", std::nullopt},
        {"CHROME", std::nullopt},
        {"chromeless", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [id, entry] : cases) {
        // Else it falls through to the folder tests, which have nothing to look at.
        const Verdict expected = entry
                                     ? Verdict{true, Confidence::sure, "a known Chromium app (" + *entry + ")"}
                                     : Verdict{false, Confidence::unknown, "the app's bundle could not be looked into"};
        EXPECT_EQ(byID(id), expected) << id;
        EXPECT_EQ(byID(id).onScreenOnly(), true) << id;
    }
}

TEST(ChromiumDetection, AbsentListingIsUnknownButAnEmptyOneIsEvidence) {
    const Verdict absent = verdict(std::nullopt, std::nullopt, {"--type=renderer"});
    EXPECT_EQ(absent, (Verdict{false, Confidence::unknown, "the app's bundle could not be looked into"}));
    EXPECT_TRUE(absent.onScreenOnly());

    const Verdict empty = verdict(std::nullopt, Names{}, {});
    EXPECT_EQ(empty, (Verdict{false, Confidence::sure, "no Chromium framework or helper in the bundle"}));
    EXPECT_FALSE(empty.onScreenOnly());

    EXPECT_EQ(verdict(std::nullopt, Names{}, {"--type=renderer"}),
              (Verdict{true, Confidence::likely, "a renderer helper app in the bundle"}));
}

TEST(ChromiumDetection, FrameworkAndHelperEvidence) {
    const std::tuple<Names, Names, Verdict> cases[] = {  // files beside the program, helper processes
        {{"libc.so.6", "app.asar"}, {}, {true, Confidence::sure, "Electron Framework in the bundle"}},
        {{"libcef.so"}, {}, {true, Confidence::sure, "Chromium Embedded Framework in the bundle"}},
        {{"libQt6WebEngineCore.so.6"}, {}, {true, Confidence::sure, "Qt WebEngine (Chromium) in the bundle"}},
        {{"libQt5WebEngineCore.so.5.15.8"}, {}, {true, Confidence::sure, "Qt WebEngine (Chromium) in the bundle"}},
        {{"libQt6WebEngineWidgets.so.6"}, {}, {false, Confidence::sure, "no Chromium framework or helper in the bundle"}},
        {{"libcef.so.1"}, {}, {false, Confidence::sure, "no Chromium framework or helper in the bundle"}},
        {{"libc.so.6", "icudtl.dat", "resources.pak"},
         {"--type=zygote", "--type=renderer"},
         {true, Confidence::sure, "icudtl.dat beside a renderer helper"}},
        {{"v8_context_snapshot.bin"}, {"chrome_crashpad_handler"}, {true, Confidence::likely, "v8_context_snapshot.bin beside a helper app"}},
        {{"resources.pak"}, {"chrome-sandbox"}, {true, Confidence::likely, "resources.pak beside a helper app"}},
        {{"resources.pak"}, {"--type=gpu-process"}, {true, Confidence::likely, "resources.pak beside a helper app"}},
        {{"resources.pak"}, {}, {false, Confidence::sure, "no Chromium framework or helper in the bundle"}},
        {{"Resources.pak"}, {"--type=renderer"}, {true, Confidence::likely, "a renderer helper app in the bundle"}},
        {{"libgtk-3.so.0"}, {"chrome-sandbox"}, {false, Confidence::sure, "no Chromium framework or helper in the bundle"}},
    };
    for (const auto& [files, helpers, expected] : cases)
        EXPECT_EQ(verdict(std::nullopt, files, helpers), expected) << expected.why;
    // A known id decides before anything in the folder.
    EXPECT_EQ(verdict("com.slack.Slack", Names{}, {}).why, "a known Chromium app (com.slack.Slack)");
}

TEST(ChromiumDetection, OurOwnProgramIsNotChromium) {
    const Names ours{"kestrove",         "libQt6Widgets.so.6", "libQt6Gui.so.6", "libQt6Core.so.6",
                     "libQt6DBus.so.6",  "libQt6Svg.so.6",     "libtesseract.so.5", "libatspi.so.0",
                     "libicuuc.so.72",   "libicudata.so.72",   "libcurl.so.4",   "libxcb-composite.so.0"};
    const Verdict expected{false, Confidence::sure, "no Chromium framework or helper in the bundle"};
    EXPECT_EQ(verdict("kestrove", ours, {}), expected);
    const Names mapped = mappedLibraries();
    ASSERT_FALSE(mapped.empty());
    EXPECT_EQ(verdict("kestrove", mapped, {}), expected);
}
