// The server check modes against the loopback server: the lines they print
// for an answer, the failures, and the usage text.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <regex>
#include <sstream>

#include "app/dev/dev_cloud.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/cloud/cloud_types.hpp"
#include "core/picture/png.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using testing::ScriptedAnswer;

struct CloudModes : ::testing::Test {
    testing::HttpTestServer server;
    QTemporaryDir dir;
    MemoryDefaults settings;
    std::string picture = dir.filePath("box.png").toStdString();
    std::string missing = dir.filePath("missing.png").toStdString();
    std::ostringstream out, err;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Image image(40, 20);
        for (std::size_t i = 0; i < image.rgba.size(); i += 4) image.rgba[i] = static_cast<std::uint8_t>(i);
        const auto png = encodePng(image);
        ASSERT_TRUE(png);
        std::ofstream(picture, std::ios::binary).write(reinterpret_cast<const char*>(png->data()),
                                                       static_cast<std::streamsize>(png->size()));
    }
    int run(const std::vector<std::string>& args) { return DevCloud::run(args, settings, {out, err}); }
    std::vector<std::string> lines() const {
        std::vector<std::string> out_;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) out_.push_back(line);
        return out_;
    }
    // The line without its round trip, which depends on the machine.
    static std::string steady(const std::string& line) {
        return std::regex_replace(line, std::regex(", round trip [0-9]+ ms$"), ", round trip N ms");
    }
};

TEST_F(CloudModes, CheckPrintsTheAnswerAndTheVerdictOfOneAnswer) {
    struct Case {
        const char* answer;
        std::vector<std::string> type;  // the optional fifth argument
        const char* sentType;
        const char* checkLine;
        const char* verdict;
    };
    const Case cases[] = {
        {R"({"met": 0.93, "obstructed": 0.1, "decided_by": "model-a", "ms": 412.9})", {"text_gone"}, "text_gone",
         "check: met 0.93, obstructed 0.1, decided_by model-a, server 412 ms, round trip N ms", "verdict: askAgain"},
        {R"({"met": 0.2, "obstructed": 0})", {}, "state_reached",
         "check: met 0.2, obstructed 0.0, decided_by ?, server 0 ms, round trip N ms", "verdict: notYet"},
        {R"({"met": 1, "obstructed": 0.75})", {"TEXT_GONE"}, "state_reached",
         "check: met 1.0, obstructed 0.75, decided_by ?, server 0 ms, round trip N ms", "verdict: askAgain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        out.str("");
        server.answer("/v1/check", ScriptedAnswer::json(200, c.answer));
        std::vector<std::string> args{"--cloud-check", server.url(), picture, picture, "the upload is done"};
        args.insert(args.end(), c.type.begin(), c.type.end());
        EXPECT_EQ(run(args), 0);
        const auto printed = lines();
        ASSERT_EQ(printed.size(), 3u) << out.str();
        EXPECT_EQ(printed[0], "server: " + server.url());
        EXPECT_EQ(steady(printed[1]), c.checkLine);
        EXPECT_EQ(printed[2], c.verdict);
        const auto sent = decodeWire<CheckRequest>(server.requests().back().body);
        EXPECT_EQ(sent.type, c.sentType);
        EXPECT_EQ(sent.command, "the upload is done");
        EXPECT_EQ(sent.device, *settings.string("deviceID")) << "the call goes as this device";
    }
    EXPECT_TRUE(err.str().empty());
}

TEST_F(CloudModes, CompileShowsTheCardTheAppWouldShow) {
    struct Case {
        const char* answer;
        const char* compileLine;
        const char* cardLine;
    };
    const Case cases[] = {
        {R"({"type": "state_reached", "type_confidence": 0.9, "mode": "once", "referent_visible": 0.8,
             "currently_met": 0.1, "too_vague": 0.9, "ms": 80})",
         "compile: type state_reached (0.9), mode once, referent_visible 0.8, currently_met 0.1, too_vague 0.9, "
         "server 80 ms, round trip N ms",
         "card: tooVague"},
        {R"({"type": "state_reached", "type_confidence": 0.94, "referent_visible": 0.97, "currently_met": 0.03,
             "too_vague": 0.04})",
         "compile: type state_reached (0.94), mode ?, referent_visible 0.97, currently_met 0.03, too_vague 0.04, "
         "server 0 ms, round trip N ms",
         "card: Got it. I'll bark when the upload has finished."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cardLine);
        out.str("");
        server.answer("/v1/compile", ScriptedAnswer::json(200, c.answer));
        EXPECT_EQ(run({"--cloud-compile", server.url(), picture, "the upload has finished"}), 0);
        const auto printed = lines();
        ASSERT_EQ(printed.size(), 3u) << out.str();
        EXPECT_EQ(steady(printed[1]), c.compileLine);
        EXPECT_EQ(printed[2].rfind(c.cardLine, 0), 0u) << printed[2];
    }
}

TEST_F(CloudModes, FailuresArePrintedAfterTheServerLineAndArgumentsThatDoNotDoGiveTheUsage) {
    server.answer("/v1/check", ScriptedAnswer::json(500, "{}"));
    server.answer("/v1/compile", ScriptedAnswer::json(200, R"({"type": 3})"));
    const std::string base = server.url();
    const std::string usage =
        "usage: --cloud-check <base URL> <baseline.png> <current.png> <sentence> [type]\n"
        "       --cloud-compile <base URL> <crop.png> <sentence>\n";
    struct Case {
        std::vector<std::string> args;
        const char* failure;  // none: the usage on standard error, exit 2
        bool sent;
    };
    const Case cases[] = {
        {{"--cloud-check", base, picture, picture, "it is done"}, "failed: http(500)", true},
        {{"--cloud-check", base, picture, missing, "it is done"}, "failed: badRequest(could not read the images)",
         false},
        {{"--cloud-check", base, picture, picture}, "failed: badRequest(could not read the images)", false},
        {{"--cloud-check", base, picture, dir.path().toStdString(), "it is done"},
         "failed: badRequest(could not read the images)", false},
        {{"--cloud-compile", base, missing, "it is done"}, "failed: badRequest(could not read the image)", false},
        {{"--cloud-compile", base, picture, "it is done"}, "failed: badAnswer", true},
        {{"--cloud-check", base, picture}, nullptr, false},
        {{"--cloud-compile", "not an address", picture, "it is done"}, nullptr, false},
        {{"--cloud-check", "http://example.com", picture, picture, "it is done"}, nullptr, false},
        {{"--cloud-compile", "ftp://127.0.0.1/", picture, "it is done"}, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + (c.failure ? c.failure : "usage"));
        out.str("");
        err.str("");
        const std::size_t before = server.requests().size();
        EXPECT_EQ(run(c.args), c.failure ? 1 : 2);
        using Lines = std::vector<std::string>;
        EXPECT_EQ(lines(), (c.failure ? Lines{"server: " + base, c.failure} : Lines{}));
        EXPECT_EQ(err.str(), c.failure ? "" : usage);
        EXPECT_EQ(server.requests().size(), before + (c.sent ? 1 : 0)) << "nothing is sent without pictures";
    }
}

TEST_F(CloudModes, DefaultWithoutABuiltInServerIsNotSetUp) {
    // With a built-in address the call would leave the machine: not here.
    if (CloudSettings::defaultBaseURL()) GTEST_SKIP() << "this build names a server";
    EXPECT_EQ(run({"--cloud-compile", "default", picture, "it is done"}), 1);
    EXPECT_EQ(out.str(), "failed: notSetUp\n");
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace kestrove
