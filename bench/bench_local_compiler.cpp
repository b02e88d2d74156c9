// Compiling a sentence over a typical six-line box, after warm-up (the
// patterns compile on first use).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/rules/command_parser.hpp"
#include "core/rules/local_compiler.hpp"

namespace {

kestrove::BaselineReading sixLines() {
    const std::vector<std::string> texts = {
        "Wireless Noise-Cancelling Headphones", "Sold by AudioHouse", "Price 249,99 €",
        "Was 299,00 €", "Only 3 left in stock", "Delivery Tuesday 12 March",
    };
    std::vector<kestrove::OCRLine> lines;
    double y = 0.04;
    for (const std::string& t : texts) {
        lines.push_back({t, {0.05, y, 0.9, 0.12}, 0.95});
        y += 0.16;
    }
    return kestrove::BaselineReading(lines);
}

const std::vector<std::string> sentences = {
    "Bark when the price drops below 200 €!",
    "\"Sold out\" appears",
    "when the delivery date changes",
    "when it is back in stock",
};

void parseSentence(benchmark::State& state) {
    const std::string& sentence = sentences[static_cast<std::size_t>(state.range(0))];
    kestrove::CommandParser::parse(sentence);
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CommandParser::parse(sentence));
}
BENCHMARK(parseSentence)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void compileOverSixLines(benchmark::State& state) {
    const std::string& sentence = sentences[static_cast<std::size_t>(state.range(0))];
    const kestrove::BaselineReading reading = sixLines();
    const kestrove::WatchRegion region{1, 100, 80, 320, 140, 1, std::nullopt};
    const kestrove::Date now{};
    auto ids = [] { return std::string("w_BENCH1"); };
    kestrove::LocalCompiler::compile(sentence, reading, region, std::nullopt, "w_BENCH0", now, ids);
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrove::LocalCompiler::compile(sentence, reading, region, std::nullopt, "w_BENCH0", now, ids));
    }
}
BENCHMARK(compileOverSixLines)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
