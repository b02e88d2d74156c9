// Rules every fixed text keeps: this desktop's words, one typography.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "core/copy/copy_catalogue.hpp"
#include "core/foundation/text.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {
namespace {

// Every text of the catalogue by name, read from its header so that a text
// added later is checked too.
std::map<std::string, std::string> catalogue() {
    std::ifstream in(std::filesystem::path(KESTROVE_SOURCE_DIR) / "src/core/copy/copy_catalogue.hpp");
    const std::string source{std::istreambuf_iterator<char>(in), {}};
    static const std::regex declaration(R"re(std::string_view (\w+) =\s*((?:"[^"]*"\s*)+);)re");
    static const std::regex literal(R"re("([^"]*)")re");
    std::map<std::string, std::string> out;
    for (std::sregex_iterator d(source.begin(), source.end(), declaration), end; d != end; ++d) {
        const std::string literals = (*d)[2];
        std::string& text = out[(*d)[1]];
        for (std::sregex_iterator l(literals.begin(), literals.end(), literal); l != end; ++l) text += (*l)[1];
    }
    return out;
}

TEST(CopyCatalogue, EveryTextNamesOnlyThisDesktopAndKeepsOneTypography) {
    static const text::Regex foreign(
        "\\bMac\\b|macOS|\\bApple\\b|Finder|\\bDock\\b|System Settings|System Preferences|"
        "\\bOption\\b|\\bCmd\\b|Command-|[\\x{2318}\\x{2325}\\x{21E7}]|Vision|ScreenCaptureKit");
    // Three dots instead of "…", curly quotes instead of ASCII ones, double spaces.
    static const text::Regex looksAlike("\\.\\.\\.|[\\x{2018}\\x{2019}\\x{201C}\\x{201D}]|  ");
    const auto texts = catalogue();
    ASSERT_GT(texts.size(), 100u);
    EXPECT_EQ(texts.at("consentBody"), Copy::consentBody) << "read as compiled";
    for (const auto& [name, text] : texts) {
        SCOPED_TRACE(name + ": " + text);
        EXPECT_FALSE(text.empty());
        EXPECT_FALSE(foreign.matches(text));
        EXPECT_FALSE(looksAlike.matches(text));
        // The advice follows the reason directly, after a space.
        EXPECT_EQ(text::trimWhitespaceAndNewlines(text), name == "launchAtLoginAdvice" ? text.substr(1) : text);
    }
    EXPECT_EQ(Copy::menuHotKey, "Alt+Shift+B");
    EXPECT_EQ(std::string(Copy::checksEvery), "Checks every " + std::to_string(WatchSpec{}.pollSeconds) + " s");
}

}  // namespace
}  // namespace kestrove
