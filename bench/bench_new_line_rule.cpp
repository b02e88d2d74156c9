// A new-line watch over a long log read directly can hand the rule a whole
// document of lines on every check. Its normal forms (with repeats dropped)
// and the test for new lines must stay linear: 100 KB well under 50 ms,
// 1 MB under 500 ms.
//   build/bench/bench_new_line_rule
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/rules/new_line_rule.hpp"

namespace {

using kestrove::OCRLine;

// About `bytes` of distinct log lines, every tenth a repeat of an earlier one
// and every seventh stamped with a time.
std::vector<OCRLine> logOf(std::size_t bytes) {
    std::vector<OCRLine> out;
    std::size_t size = 0;
    for (int i = 0; size < bytes; ++i) {
        std::string text = i % 10 == 9 ? "Build " + std::to_string(i / 2) + " passed on runner"
                                       : "Build " + std::to_string(i) + " passed on runner";
        if (i % 7 == 0) text = "10:" + std::to_string(10 + i % 50) + " " + text;
        size += text.size() + 1;
        out.push_back({std::move(text), {0, 0, 1, 0.01}, 1});
    }
    return out;
}

void normalizedLog(benchmark::State& state) {
    const auto lines = logOf(static_cast<std::size_t>(state.range(0)) << 10);
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::NewLineRule::normalized(lines));
    state.SetLabel(std::to_string(lines.size()) + " lines");
}
BENCHMARK(normalizedLog)->Arg(100)->Arg(1024)->Unit(benchmark::kMillisecond);

// The whole check: the stored lines against the lines read now, one new.
void newLinesInLog(benchmark::State& state) {
    auto lines = logOf(static_cast<std::size_t>(state.range(0)) << 10);
    const std::vector<std::string> stored = kestrove::NewLineRule::normalized(lines);
    lines.push_back({"Deploy finished", {0, 0, 1, 0.01}, 1});
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::NewLineRule::newLines(stored, lines));
    state.SetLabel(std::to_string(lines.size()) + " lines");
}
BENCHMARK(newLinesInLog)->Arg(100)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
