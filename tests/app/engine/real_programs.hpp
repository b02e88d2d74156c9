#pragma once
// The engine on the harness's desktop over third-party programs started as a
// user would: boxes drawn around text found in their pictures, sentences
// compiled against what a box shows, barks counted with what they read.

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/rules/local_compiler.hpp"
#include "engine/engine_desktop.hpp"
#include "support/app/real_apps.hpp"
#include "support/http_test_server.hpp"

namespace kestrove::testing {

struct Browser;

struct RealPrograms : EngineOnDesktop {
    desktop::Readers readers;
    int barks = 0;
    std::vector<std::optional<std::string>> reads;  // the "Read" of each bark

    void SetUp() override {
        EngineOnDesktop::SetUp();
        watchBarks();
    }
    void watchBarks() {
        manager->onBarked = [this](const WatchSpec&, const std::optional<std::string>& read, const SharedImage&) {
            ++barks;
            reads.push_back(read);
        };
    }
    // The sentence compiled against what the box shows now, read as the
    // new-watch road reads it (without language correction).
    CompileOutcome compile(const std::string& sentence, const WatchRegion& region, const std::string& id) {
        return LocalCompiler::compile(sentence, BaselineReading(readers.picture(region, false)), region, std::nullopt,
                                      id, Date{}, [] { return std::string("w_OTHER1"); });
    }
    // The watch `sentence` makes over the box as it shows now; none, and a
    // failure naming what the box reads, when it is not taken as it stands.
    std::optional<WatchSpec> confirmed(const std::string& sentence, const WatchRegion& region, const std::string& id) {
        const CompileOutcome outcome = compile(sentence, region, id);
        if (const auto* confirm = outcome.as<CompileOutcome::Confirm>()) return confirm->spec;
        ADD_FAILURE() << "\"" << sentence << "\" not taken (outcome " << static_cast<int>(outcome.kind())
                      << "); the box reads " << ::testing::PrintToString(desktop::texts(readers.picture(region, false)));
        return std::nullopt;
    }
    // The watches added stay quiet while the page is unchanged, and bark once
    // when it shows `next`, reading `read`.
    void barksOnceAt(Browser& page, const WatchRegion& box, const std::string& next, const std::string& read);
    WatchRegion boxAround(const WindowInfo& window, const std::string& words, double margin = 6) {
        const std::optional<Rect> line = readers.locate(window.frame, words);
        EXPECT_TRUE(line) << "\"" << words << "\" not seen";
        return line ? readers.drawAround(*line, window.frame, margin) : WatchRegion{};
    }
};

// xterm as it starts: the bitmap font "fixed", black on white, unless
// `options` say otherwise. It follows a file as `tail -f` does, or
// (`inPlace`) shows the file's lines at its top, redrawn where they stand
// when the file changes, with no cursor.
struct Terminal {
    QTemporaryDir folder;
    std::string log = folder.path().toStdString() + "/log.txt";
    std::unique_ptr<desktop::RealApp> app;

    explicit Terminal(const std::string& text, const QString& geometry = "60x8+20+20", bool inPlace = false,
                      const QStringList& options = {}) {
        std::ofstream(log) << text;
        const QString file = QString::fromStdString(log);
        const QStringList follow{"tail", "-n", "+1", "-f", file};
        const QStringList redraw{"sh", "-c",
                                 "printf '\\033[?25l'; while :; do printf '\\033[H'; "
                                 "sed 's/$/\\x1b[K/' \"$0\"; printf '\\033[J'; sleep 0.2; done",
                                 file};
        app = std::make_unique<desktop::RealApp>(
            "xterm", QStringList{"-geometry", geometry} + options + QStringList{"-e"} + (inPlace ? redraw : follow));
    }
    void append(const std::string& line) { std::ofstream(log, std::ios::app) << line << "\n"; }
    // Whole at once: the redraw never reads a file half written.
    void rewrite(const std::string& text) {
        std::ofstream(log + ".new") << text;
        std::rename((log + ".new").c_str(), log.c_str());
    }
};

// A page whose `#p` comes to show what `/part` answers.
inline std::string page(const std::string& style, const std::string& body) {
    return R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Page</title>
<style>body { font-family: "DejaVu Sans", sans-serif; margin: 40px; background: #fff; } )" +
           style + R"(</style>
<script>
setInterval(() => fetch('/part').then(r => r.text()).then(t => { document.getElementById('p').innerHTML = t; }), 300);
</script></head><body>)" +
           body + "</body></html>";
}

// Chromium showing `page`, served by a test server with `/part` answering
// `part` (a page polls it to change what it shows); `accessible` has it
// offer its accessibility tree from the start, so that it can be read directly.
struct Browser {
    HttpTestServer server;
    QTemporaryDir profile;
    std::unique_ptr<desktop::RealApp> app;

    Browser(const std::string& page, const std::string& part, bool accessible = false) {
        ScriptedAnswer html;
        html.body = page;
        html.headers = {{"Content-Type", "text/html; charset=utf-8"}};
        server.answer("/page.html", html);
        show(part);
        app = std::make_unique<desktop::RealApp>(
            "chromium", QStringList{"--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                                    "--disable-component-update", "--disable-sync", "--window-position=40,40",
                                    "--window-size=800,500", "--user-data-dir=" + profile.path(),
                                    QString::fromStdString(server.url("/page.html"))} +
                           (accessible ? QStringList{"--force-renderer-accessibility"} : QStringList{}));
    }
    void show(const std::string& part) {
        ScriptedAnswer answer;
        answer.body = part;
        answer.headers = {{"Content-Type", "text/html; charset=utf-8"}};
        server.answer("/part", answer);
    }
};

inline void RealPrograms::barksOnceAt(Browser& page, const WatchRegion& box, const std::string& next,
                                      const std::string& read) {
    for (int i = 0; i < 3; ++i) cycle();
    EXPECT_EQ(barks, 0) << "before the page changed";
    page.show(next);
    ASSERT_TRUE(cycleUntil([&] { return barks > 0; }, 12))
        << "no bark at " << next << ": " << ::testing::PrintToString(desktop::texts(readers.picture(box)));
    for (int i = 0; i < 3; ++i) cycle();
    finishFlashes();
    EXPECT_EQ(barks, 1);
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads[0], std::optional<std::string>(read)) << ::testing::PrintToString(desktop::texts(readers.picture(box)));
}

}  // namespace kestrove::testing
