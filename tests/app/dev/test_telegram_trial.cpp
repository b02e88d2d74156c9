// The messenger link trial against the loopback server, with its waits made
// short: the whole road from pairing to the bark after disconnecting, the
// wait for Start, and the ways it stops.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "app/dev/dev_cloud.hpp"
#include "core/picture/png.hpp"
#include "support/cloud_harness.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedAnswer;

struct Trial : ::testing::Test {
    testing::HttpTestServer server;
    QTemporaryDir dir;
    std::string crop = dir.filePath("crop.png").toStdString();
    std::string codeFile = dir.filePath("code.txt").toStdString();
    std::ostringstream out, err;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const auto png = encodePng(Image(30, 10));
        std::ofstream(crop, std::ios::binary).write(reinterpret_cast<const char*>(png->data()),
                                                    static_cast<std::streamsize>(png->size()));
        server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
        server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": []})"));
        server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked": false})"));
        server.answer("/v1/pair/status", ScriptedAnswer::json(200, R"({"linked": false})"));
    }
    int run(std::vector<std::string> args = {}) {
        if (args.empty()) args = {"--telegram-try", server.url(), crop, codeFile};
        return DevCloud::telegramTry(args, {out, err}, {5ms});
    }
    std::size_t count(const std::string& path) const { return testing::requestCount(server, path); }
    std::string fileText(const std::string& path) const {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(Trial, LinkedAtOnceRunsEveryStepAndEndsWithTheSkippedBark) {
    std::ofstream(codeFile) << "an older code that is longer";
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": true, "code": "P3HX6RZ8NA",
        "url": "https://t.me/KestroveBot?start=P3HX6RZ8NA", "expires_in": 599.9})"));
    server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [{"watch": "w_TRY001", "action": "keep"}]})"));

    EXPECT_EQ(run(), 0);
    EXPECT_EQ(out.str(),
              "connected: true\n"
              "pair: linked true, url https://t.me/KestroveBot?start=P3HX6RZ8NA, expires in 599 s\n"
              "bark: sent(withImage: true)\n"
              "asking for buttons: true\n"
              "watches: started w_TRY001 again (number_compare, once, 380×119)\n"
              "buttons: [\"keep w_TRY001\"] · running now: [\"w_TRY001\"]\n"
              "bark with Local Only on: sent(withImage: false)\n"
              "connected: false\n"
              "disconnect told the server: true\n"
              "bark after disconnect: skipped\n");
    EXPECT_EQ(fileText(codeFile), "P3HX6RZ8NA");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file is left beside the code";
    EXPECT_EQ(count("/v1/pair/status"), 0u) << "a linked chat is not waited for";
    EXPECT_EQ(count("/v1/actions"), 1u);
    // (What a bark carries with Local Only on or off: test_privacy.)
    EXPECT_EQ(count("/v1/notify"), 2u) << "none after disconnecting";
}

TEST_F(Trial, WaitsForStartAtMostThirtyChecks) {
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": false, "code": "K7Q2"})"));
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(out.str(), "pair: linked false, url -, expires in 0 s\nnobody pressed Start within a minute\n");
    EXPECT_EQ(count("/v1/pair/status"), 30u);
    EXPECT_EQ(count("/v1/notify"), 0u);
    EXPECT_EQ(fileText(codeFile), "K7Q2");
}

TEST_F(Trial, StartPressedWhileWaitingGoesOnAndNoButtonsAfterTwentyPolls) {
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": false})"));
    server.answer("/v1/pair/status", ScriptedAnswer::json(200, R"({"linked": true})"));
    std::vector<std::string> args = {"--telegram-try", server.url(), dir.filePath("none.png").toStdString(), codeFile};
    EXPECT_EQ(run(args), 0);
    const std::string printed = out.str();
    EXPECT_EQ(printed.substr(0, printed.find("bark with")),
              "pair: linked false, url -, expires in 0 s\n"
              "connected: true\n"
              "bark: sent(withImage: false)\n"
              "asking for buttons: true\n"
              "buttons: [] · running now: []\n");
    EXPECT_EQ(count("/v1/pair/status"), 1u);
    EXPECT_EQ(count("/v1/actions"), 20u);
    EXPECT_EQ(fileText(codeFile), "") << "no code is an empty file";
}

TEST_F(Trial, FailuresEndTheTrialWithCodeOneAndBadArgumentsWithTheUsage) {
    server.answer("/v1/pair", ScriptedAnswer::json(500, "{}"));
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(out.str(), "failed: http(500)\n");

    out.str("");
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": true, "code": "K7Q2"})"));
    std::vector<std::string> args = {"--telegram-try", server.url(), crop, dir.filePath("no/such/folder").toStdString()};
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(out.str().rfind("connected: true\npair: linked true, url -, expires in 0 s\nfailed: ", 0), 0u) << out.str();
    EXPECT_EQ(count("/v1/notify"), 0u);

    const std::size_t asked = server.requests().size();
    // Addresses the settings refuse (plain http away from this computer; a
    // word, as in a build without a server address): the server is not set up.
    for (const char* refused : {"http://example.com", "default", "ftp://127.0.0.1/"}) {
        out.str("");
        err.str("");
        EXPECT_EQ(run({"--telegram-try", refused, crop, codeFile}), 1) << refused;
        EXPECT_EQ(out.str(), "failed: notSetUp\n") << refused;
        EXPECT_EQ(err.str(), "");
    }
    out.str("");
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--telegram-try", server.url(), crop},
             {"--telegram-try", "127.0.0.1:80", crop, codeFile},
             {"--telegram-try", "", crop, codeFile},
             {"--telegram-try", "http://exa mple.com", crop, codeFile},
         }) {
        err.str("");
        EXPECT_EQ(run(bad), 2);
        EXPECT_EQ(err.str(), "usage: --telegram-try <base URL> <crop.png> <file for the code>\n");
    }
    EXPECT_TRUE(out.str().empty());
    EXPECT_EQ(server.requests().size(), asked);
}

}  // namespace
}  // namespace kestrove
