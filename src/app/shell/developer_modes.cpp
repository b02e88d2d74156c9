#include "app/shell/developer_modes.hpp"

#include <QApplication>
#include <QCoreApplication>

#include <memory>
#include <string>

#include "app/dev/devax.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

const char* modeFlag(LaunchMode::Kind kind) {
    using Kind = LaunchMode::Kind;
    switch (kind) {
        case Kind::snapshot: return "--snapshot";
        case Kind::panelCheck: return "--panel-check";
        case Kind::windowCheck: return "--window-check";
        case Kind::axStage: return "--ax-stage";
        case Kind::axCheck: return "--ax-check";
        case Kind::cloud: return "--cloud-check";
        case Kind::telegramTry: return "--telegram-try";
        case Kind::normal: break;
    }
    return "";
}

int runDeveloperMode(const LaunchMode& mode, int& argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (mode.needsDisplay()) app = std::make_unique<QApplication>(argc, argv);
    else app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrove"));
    using Kind = LaunchMode::Kind;
    const auto exit = [](int code) { QCoreApplication::exit(code); };
    switch (mode.kind) {
        case Kind::axStage:
            QApplication::setQuitOnLastWindowClosed(false);
            DevAX::runStage();
            return QCoreApplication::exec();
        case Kind::axCheck:
            QApplication::setQuitOnLastWindowClosed(false);
            if (mode.follow)
                DevAX::follow(mode.folder, mode.follow->window, mode.follow->box, mode.follow->seconds, exit);
            else
                DevAX::run(mode.folder, exit);
            return QCoreApplication::exec();
        default:
            break;
    }
    logLine(std::string("this build has no ") + modeFlag(mode.kind) + " mode");
    return 64;
}

}  // namespace kestrove
