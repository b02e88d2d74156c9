#include "app/shell/launch_mode.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace kestrove {

namespace {

using Kind = LaunchMode::Kind;

bool has(const std::vector<std::string>& args, std::string_view flag) {
    return std::find(args.begin(), args.end(), flag) != args.end();
}

// A leading plus is allowed as in the usual number forms; from_chars takes
// none. Numbers never depend on the locale.
std::string_view withoutPlus(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

std::optional<double> number(std::string_view text) {
    text = withoutPlus(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> windowNumber(std::string_view text) {
    text = withoutPlus(text);
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::vector<double> boxNumbers(std::string_view text) {
    std::vector<double> out;
    while (!text.empty()) {
        const auto comma = text.find(',');
        if (auto n = number(text.substr(0, comma))) out.push_back(*n);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return out;
}

std::optional<LaunchMode::AxFollow> axFollow(const std::vector<std::string>& args) {
    const auto window = windowNumber(flagValue(args, "--window").value_or(""));
    const auto box = boxNumbers(flagValue(args, "--box").value_or(""));
    if (!window || box.size() != 4) return std::nullopt;
    // An endless or undefined duration counts as unreadable.
    const auto seconds = number(flagValue(args, "--seconds").value_or(""));
    return LaunchMode::AxFollow{*window, {box[0], box[1], box[2], box[3]},
                                seconds && std::isfinite(*seconds) ? *seconds : 60.0};
}

LaunchMode folderMode(const std::vector<std::string>& args, Kind kind, const std::string& flag,
                      const char* defaultFolder) {
    return {kind, flagValue(args, flag).value_or(defaultFolder), std::nullopt, {}};
}

LaunchMode tailMode(const std::vector<std::string>& args, Kind kind, std::vector<std::string>::const_iterator from) {
    return {kind, {}, std::nullopt, {from, args.end()}};
}

}  // namespace

std::optional<std::string> flagValue(const std::vector<std::string>& args, const std::string& flag) {
    const auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end() || std::next(it) == args.end()) return std::nullopt;
    return *std::next(it);
}

LaunchMode decideMode(const std::vector<std::string>& args) {
    if (has(args, "--snapshot")) return folderMode(args, Kind::snapshot, "--snapshot", "build/snapshots");
    if (has(args, "--panel-check")) return folderMode(args, Kind::panelCheck, "--panel-check", "build/panel-check");
    if (has(args, "--window-check"))
        return folderMode(args, Kind::windowCheck, "--window-check", "build/window-check");
    if (has(args, "--ax-stage")) return {Kind::axStage, {}, std::nullopt, {}};
    if (has(args, "--ax-check")) {
        LaunchMode mode = folderMode(args, Kind::axCheck, "--ax-check", "build/ax-check");
        mode.follow = axFollow(args);
        return mode;
    }
    const auto cloud = std::find_if(args.begin(), args.end(),
                                    [](const std::string& a) { return a == "--cloud-check" || a == "--cloud-compile"; });
    if (cloud != args.end()) return tailMode(args, Kind::cloud, cloud);
    if (const auto trial = std::find(args.begin(), args.end(), "--telegram-try"); trial != args.end())
        return tailMode(args, Kind::telegramTry, trial);
    return {};
}

}  // namespace kestrove
