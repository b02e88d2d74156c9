// What the chat window draws: the pairing link's QR code (libqrencode, 12
// pixels a module) and the messenger's mark at the menu's 16 and the
// window's 32 points. Runs without a display:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_chat_pictures
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "app/menu/qr_code.hpp"
#include "app/menu/telegram_logo.hpp"

using namespace kestrove;

static void BM_PairingQRCode(benchmark::State& state) {
    const std::string link = "https://t.me/KestroveBot?start=pair_3f9a7c21d04b";
    for (auto _ : state) benchmark::DoNotOptimize(QRCode::image(link, 12, 4));
}
BENCHMARK(BM_PairingQRCode)->Unit(benchmark::kMicrosecond);

static void BM_TelegramLogo(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter p(&image);
        TelegramLogo::paint(p, QRectF(0, 0, side, side));
    }
}
BENCHMARK(BM_TelegramLogo)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
