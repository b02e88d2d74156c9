// Kestrove started from a terminal without a display: the server modes run
// (what reaches standard output and error, and the exit codes), the modes
// that need a display say so and end.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fstream>

#include "core/picture/png.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using testing::ScriptedAnswer;

TEST(DevModesProcess, ServerModesRunWithoutADisplayAndTheOthersSaySo) {
    testing::HttpTestServer server;
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("box.png"));
    const auto png = encodePng(Image(20, 20));
    std::ofstream(picture.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    const QString base = QString::fromStdString(server.url());
    server.answer("/v1/check", ScriptedAnswer::json(200, R"({"met": 0.9, "obstructed": 0.8})"));
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": true, "code": "K7Q2"})"));
    server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [{"watch": "w_TRY001", "action": "stop"}]})"));
    server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked": false})"));

    const std::string noDisplay = "Kestrove: needs an X11 display, and DISPLAY is not set";
    struct Case {
        QStringList args;
        int code;
        std::vector<std::string> out;  // parts of each
        std::string err;
    };
    const Case cases[] = {
        {{"--cloud-check", base, picture, picture, "it is done"}, 0,
         {"server: " + server.url() + "\ncheck: met 0.9, obstructed 0.8, ", "\nverdict: askAgain\n"}, ""},
        {{"--cloud-compile", base, picture}, 2, {}, "usage: --cloud-check "},
        {{"--telegram-try", base, picture, dir.filePath(QStringLiteral("code"))},
         0,
         {"buttons: [\"stop w_TRY001\"] \u00b7 running now: []\nbark with Local Only on: sent(withImage: false)\n"},
         ""},
        {{}, 1, {}, noDisplay},
        {{"--window-check"}, 1, {}, noDisplay},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess p;
        auto env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KESTROVE_APP), c.args);
        ASSERT_TRUE(p.waitForFinished(60000));
        const std::string out = p.readAllStandardOutput().toStdString(), err = p.readAllStandardError().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.code) << err;
        for (const std::string& part : c.out) EXPECT_NE(out.find(part), std::string::npos) << out;
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
        EXPECT_EQ(err.find(noDisplay) != std::string::npos, c.err == noDisplay) << err;
    }
}

}  // namespace
}  // namespace kestrove
