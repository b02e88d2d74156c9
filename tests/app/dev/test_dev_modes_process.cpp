// The server modes as a process started from a terminal without a display:
// what reaches standard output and error, and the exit codes.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fstream>

#include "core/picture/png.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using testing::ScriptedAnswer;

struct Finished {
    int code = -1;
    std::string out, err;
};

Finished runWithoutDisplay(const QStringList& args) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KESTROVE_APP), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

TEST(DevModesProcess, ServerModesRunWithoutADisplay) {
    testing::HttpTestServer server;
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("box.png"));
    const auto png = encodePngRGB(Image(20, 20));
    std::ofstream(picture.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    const QString base = QString::fromStdString(server.url());
    server.answer("/v1/check", ScriptedAnswer::json(200, R"({"met": 0.9, "obstructed": 0.8})"));
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": true, "code": "K7Q2"})"));
    server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [{"watch": "w_TRY001", "action": "stop"}]})"));
    server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked": false})"));

    auto check = runWithoutDisplay({"--cloud-check", base, picture, picture, "it is done"});
    EXPECT_EQ(check.code, 0) << check.err;
    EXPECT_EQ(check.out.rfind("server: " + server.url() + "\ncheck: met 0.9, obstructed 0.8, ", 0), 0u) << check.out;
    EXPECT_TRUE(check.out.ends_with("\nverdict: askAgain\n")) << check.out;

    auto usage = runWithoutDisplay({"--cloud-compile", base, picture});
    EXPECT_EQ(usage.code, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.err.rfind("usage: --cloud-check ", 0), 0u);

    auto trial = runWithoutDisplay({"--telegram-try", base, picture, dir.filePath(QStringLiteral("code"))});
    EXPECT_EQ(trial.code, 0) << trial.err;
    EXPECT_TRUE(trial.out.ends_with("buttons: [\"stop w_TRY001\"] · running now: []\n"
                                    "bark with Local Only on: sent(withImage: false)\n"
                                    "connected: false\n"
                                    "disconnect told the server: true\n"
                                    "bark after disconnect: skipped\n"))
        << trial.out;
}

}  // namespace
}  // namespace kestrove
