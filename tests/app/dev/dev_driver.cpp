// Runs the developer modes behind their flags, for the tests, until the
// application's own executable does.
#include <QApplication>

#include <algorithm>
#include <string>
#include <vector>

#include "app/dev/dev_cloud.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/dev_panel.hpp"
#include "app/dev/snapshots.hpp"
#include "app/dev/dev_window.hpp"

int main(int argc, char** argv) {
    using namespace kestrove;
    const std::vector<std::string> args(argv, argv + argc);
    auto at = [&](const char* flag) { return std::find(args.begin(), args.end(), flag); };
    auto value = [&](const char* flag, const char* otherwise) {
        const auto it = at(flag);
        return it != args.end() && std::next(it) != args.end() ? *std::next(it) : std::string(otherwise);
    };
    if (at("--window-check") != args.end()) {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return DevWindow::run(value("--window-check", "build/window-check"));
    }
    if (at("--snapshot") != args.end()) {
        DevLook::useOffscreenPlatform();
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return Snapshots::render(value("--snapshot", "build/snapshots"));
    }
    if (at("--panel-check") != args.end()) {
        DevLook::useOffscreenPlatform();
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        DevLook::useAppearance(false);
        return DevPanel::run(value("--panel-check", "build/panel-check"));
    }
    const auto cloud = std::find_if(args.begin(), args.end(),
                                    [](const auto& a) { return a == "--cloud-check" || a == "--cloud-compile"; });
    if (cloud != args.end()) {
        MemoryDefaults settings;
        return DevCloud::run({cloud, args.end()}, settings);
    }
    if (const auto trial = at("--telegram-try"); trial != args.end())
        return DevCloud::telegramTry({trial, args.end()});
    return 64;
}
