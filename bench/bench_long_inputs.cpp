// Direct reading can hand the core whole documents and logs, and a sentence
// can be pasted text: every step over them must stay close to linear. Each
// case takes 100 KB of the input that once made it quadratic; each should
// take well under 50 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/reading/number_parser.hpp"
#include "core/rules/command_comparison.hpp"
#include "core/rules/command_recognisers.hpp"
#include "core/rules/local_compiler.hpp"

namespace {

constexpr std::size_t size = 100 << 10;

std::string repeated(const std::string& piece) {
    std::string out;
    while (out.size() + piece.size() <= size) out += piece;
    return out;
}

// The number comparisons ("N or less" first) on a run of digits.
void comparisonOfDigits(benchmark::State& state) {
    const std::string sentence(size, '7');
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CommandParser::parseNumberCompare(sentence));
}
BENCHMARK(comparisonOfDigits)->Unit(benchmark::kMillisecond);

// The new-item recogniser on "new new new …".
void newItemOfNews(benchmark::State& state) {
    const std::string sentence = repeated("new ");
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CommandParser::parseNewItem(sentence, sentence));
}
BENCHMARK(newItemOfNews)->Unit(benchmark::kMillisecond);

// One long chain of durations merged into one number of seconds.
void mergedDurations(benchmark::State& state) {
    const std::string line = repeated("1 h 1 min ");
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::NumberParser::numbers(line, true));
}
BENCHMARK(mergedDurations)->Unit(benchmark::kMillisecond);

// Many clocks, and the numbers beside them, on one line.
void manyClocks(benchmark::State& state) {
    const std::string line = repeated("10:00 7 ");
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::NumberParser::numbers(line, false));
}
BENCHMARK(manyClocks)->Unit(benchmark::kMillisecond);

// A sentence with a subject over one long line of numbers that all fit.
void compileWithSubject(benchmark::State& state) {
    const kestrove::BaselineReading reading({{repeated("Price 12 "), {0, 0, 1, 0.1}, 0.9}});
    const kestrove::WatchRegion region{1, 0, 0, 400, 100, 1, std::nullopt};
    auto ids = [] { return std::string("w_BENCH1"); };
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrove::LocalCompiler::compile("the price drops below 10", reading, region,
                                                                  std::nullopt, "w_BENCH0", kestrove::Date{}, ids));
    }
}
BENCHMARK(compileWithSubject)->Unit(benchmark::kMillisecond);

}  // namespace
