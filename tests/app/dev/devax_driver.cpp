// A stand-in for the application's entry point while it is being built: runs
// the accessibility check's modes from the same flags, so that the check can
// start its stage from this executable and the desktop tests can run both.
//
//   --ax-stage
//   --ax-check [folder] [--window <id> --box x,y,w,h [--seconds n]]

#include <QApplication>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "app/dev/devax.hpp"

namespace {

std::optional<std::string> value(const std::vector<std::string>& args, const std::string& flag) {
    for (std::size_t i = 1; i + 1 < args.size(); ++i)
        if (args[i] == flag) return args[i + 1];
    return std::nullopt;
}

std::optional<double> number(const std::string& s) {
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrove"));
    QApplication::setQuitOnLastWindowClosed(false);
    const std::vector<std::string> args(argv, argv + argc);
    const auto has = [&](const char* flag) {
        for (std::size_t i = 1; i < args.size(); ++i)
            if (args[i] == flag) return true;
        return false;
    };
    using namespace kestrove;
    if (has("--ax-stage")) {
        DevAX::runStage();
        return app.exec();
    }
    if (!has("--ax-check")) return 2;
    const std::string folder = value(args, "--ax-check").value_or("build/ax-check");
    const auto exit = [](int code) { QCoreApplication::exit(code); };
    std::optional<std::uint32_t> window;
    if (const auto w = value(args, "--window")) {
        std::uint32_t id = 0;
        const auto r = std::from_chars(w->data(), w->data() + w->size(), id);
        if (r.ec == std::errc() && r.ptr == w->data() + w->size()) window = id;
    }
    std::vector<double> box;
    if (const auto b = value(args, "--box")) {
        std::size_t start = 0;
        while (start <= b->size()) {
            const std::size_t comma = std::min(b->find(',', start), b->size());
            if (const auto n = number(b->substr(start, comma - start))) box.push_back(*n);
            start = comma + 1;
        }
    }
    const auto given = value(args, "--seconds");
    const double seconds = (given ? number(*given) : std::nullopt).value_or(60);
    if (window && box.size() == 4)
        DevAX::follow(folder, *window, Rect{box[0], box[1], box[2], box[3]}, seconds, exit);
    else
        DevAX::run(folder, exit);
    return app.exec();
}
