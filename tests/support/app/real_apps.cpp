#include "support/app/real_apps.hpp"

#include <gtest/gtest.h>

#include <QProcessEnvironment>

#include "app/platform/tesseract/tesseract_engine.hpp"
#include "app/platform/window_binder.hpp"
#include "core/foundation/text.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove::desktop {

RealApp::RealApp(const QString& program, const QStringList& args, const QStringList& env) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : env) e.insert(setting.section('=', 0, 0), setting.section('=', 1));
    process_.setProcessEnvironment(e);
    // Their chatter (GTK 4 warns on every position asked) is not the test's.
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QProcess::nullDevice());
    process_.start(program, args);
    process_.waitForStarted(10000);
}

RealApp::~RealApp() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(2000);
    }
}

void RealApp::write(const std::string& input) {
    process_.write(input.data(), static_cast<qint64>(input.size()));
    process_.waitForBytesWritten(2000);
}

std::optional<WindowInfo> RealApp::window(WindowList& windows, int ms) const {
    std::optional<WindowInfo> found;
    waitFor([&] { return (found = largestWindowOf(windows.list(WindowListOptions::onScreenOnly), pid())).has_value(); },
            ms);
    return found;
}

std::optional<Rect> Readers::locate(const Rect& area, const std::string& words) {
    const auto screen = ScreenSpace::screenFor(area, screens.screens());
    if (!screen) return std::nullopt;
    const WatchRegion whole = SelectedRegion::make(*screen, area).region;
    const std::string wanted = text::fold(words);
    std::optional<Rect> found;
    // The program may still be painting: look again until the words show.
    waitFor(
        [&] {
            const Captured shot = capturer.capture(whole);
            if (!shot.ok()) return false;
            for (const OCRLine& line : TesseractEngine(true).read(shot.value()))
                if (text::fold(line.text).find(wanted) != std::string::npos) {
                    found = Rect{area.x + line.box.x * area.width, area.y + line.box.y * area.height,
                                 line.box.w * area.width, line.box.h * area.height};
                    return true;
                }
            return false;
        },
        15000);
    return found;
}

WatchRegion Readers::drawAround(const Rect& line, const Rect& window, double margin) {
    const Rect drawn = Rect::fromEdges(std::floor(line.minX() - margin), std::floor(line.minY() - margin / 2),
                                       std::ceil(line.maxX() + margin), std::ceil(line.maxY() + margin / 2));
    const Rect box = drawn.intersection(window).value_or(drawn);
    const auto screen = ScreenSpace::screenFor(box, screens.screens());
    if (!screen) return {};
    return WindowBinder::bind(SelectedRegion::make(*screen, box), windows, screens).region;
}

Readers::Box Readers::around(const Rect& window, const std::string& words) {
    const std::optional<Rect> line = locate(window, words);
    EXPECT_TRUE(line) << "\"" << words << "\" not seen on screen";
    if (!line) return {};
    Box b{drawAround(*line, window), nullptr};
    EXPECT_TRUE(b.region.window);
    b.session = open(b.region);
    EXPECT_NE(b.session, nullptr);
    return b;
}

std::vector<OCRLine> Readers::picture(const WatchRegion& region, bool languageCorrection) {
    const Captured shot = capturer.capture(region);
    if (!shot.ok()) return {};
    return TesseractEngine(languageCorrection).read(shot.value());
}

std::shared_ptr<DirectSession> Readers::open(const WatchRegion& region, DirectReader* through) {
    DirectReader& r = through ? *through : reader;
    const auto session =
        await<std::shared_ptr<DirectSession>>([&](auto done) { return r.open(region, std::move(done)); });
    return session.value_or(nullptr);
}

DirectAnswer Readers::readOnce(DirectSession& session) {
    const auto answer = await<DirectAnswer>([&](auto done) { return session.read(std::move(done)); });
    return answer.value_or(DirectAnswer::noAnswer(DirectSilence::failed));
}

DirectAnswer Readers::direct(DirectSession& session, int ms) {
    std::optional<DirectAnswer> answer;
    waitFor(
        [&] {
            answer = readOnce(session);
            return answer->lines() && !answer->lines()->empty();
        },
        ms);
    return answer.value_or(DirectAnswer::noAnswer(DirectSilence::failed));
}

bool Readers::readsSoon(DirectSession& session, const std::vector<std::string>& expected,
                        std::vector<std::string>& last, int ms) {
    return waitFor(
        [&] {
            const DirectAnswer a = readOnce(session);
            last = a.lines() ? texts(*a.lines()) : std::vector<std::string>{std::string(rawValue(*a.silence()))};
            return last == expected;
        },
        ms);
}

std::vector<std::string> texts(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    for (const OCRLine& l : lines) out.push_back(l.text);
    return out;
}

bool insideTheBox(const std::vector<OCRLine>& lines) {
    for (const OCRLine& l : lines)
        if (l.box.x < 0 || l.box.y < 0 || l.box.x + l.box.w > 1 + 1e-9 || l.box.y + l.box.h > 1 + 1e-9) return false;
    return true;
}

}  // namespace kestrove::desktop
