#include "app/dev/stage_script.hpp"

#include <algorithm>
#include <array>
#include <charconv>

namespace kestrove::DevAX {

namespace {

constexpr std::array<int, 5> framesAt{12, 20, 28, 36, 40};
constexpr std::array<int, 5> percentAt{30, 55, 80, 95, 100};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// A decimal integer, clamped to the table's steps on the way in so that
// any number of digits reads.
long long stepOf(std::string_view word) {
    const bool negative = word.starts_with('-');
    if (negative || word.starts_with('+')) word.remove_prefix(1);
    if (word.empty() || !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    if (negative) return 0;
    long long n = 0;
    const auto r = std::from_chars(word.data(), word.data() + word.size(), n);
    return r.ec == std::errc() ? std::min(n, 4LL) : 4;
}

}  // namespace

StageStep stageStep(long long step) {
    const int n = static_cast<int>(std::clamp(step, 0LL, 4LL));
    StageStep s;
    s.step = n;
    s.frames = framesAt[n];
    s.percent = percentAt[n];
    s.counter = "Frames rendered: " + std::to_string(s.frames);
    s.status = n < 4 ? "Exporting\u2026 " + std::to_string(s.percent) + "%" : "Export complete";
    s.price = n < 2 ? "\u20ac249.00" : "\u20ac189.00";
    s.log = {"build started", "compiling sources", n >= 1 ? "tests passed" : ""};
    return s;
}

StageCommand parseStageCommand(std::string_view line) {
    using Kind = StageCommand::Kind;
    const auto w = words(line);
    if (w.empty()) return {};
    const std::string_view first = w.front(), last = w.back();
    if (first == "show") return {Kind::show, stepOf(last), false};
    if (first == "cover") return {Kind::cover, 0, last == "on"};
    if (first == "hide") return {Kind::hide};
    if (first == "unhide") return {Kind::unhide};
    if (first == "minimize") return {Kind::minimize};
    if (first == "close") return {Kind::close};
    if (first == "quit") return {Kind::quit};
    return {};
}

std::vector<std::string> LineBuffer::add(std::string_view chunk) {
    partial_.append(chunk);
    std::vector<std::string> out;
    std::size_t start = 0, nl;
    while ((nl = partial_.find('\n', start)) != std::string::npos) {
        if (nl > start) out.push_back(partial_.substr(start, nl - start));
        start = nl + 1;
    }
    partial_.erase(0, start);
    // No command is this long: a line that never ends is dropped, not kept growing.
    if (partial_.size() > maxLine) partial_.clear();
    return out;
}

}  // namespace kestrove::DevAX
