// Reading a typical twelve-line box: its numbers, and a text search in it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/reading/reading.hpp"
#include "core/reading/text_match.hpp"

namespace {

using kestrove::BaselineReading;
using kestrove::NormRect;
using kestrove::OCRLine;

const BaselineReading& twelveLines() {
    static const BaselineReading reading = [] {
        const std::vector<std::string> texts = {
            "Order #48213 — shipped",
            "Subtotal: $1,299.00",
            "Shipping €4,95",
            "Battery 45%",
            "Estimated 1 hour and 30 minutes left",
            "Queue position: 12 of 340",
            "Departs 12:30 from gate B-14",
            "Downloading update files… 63%",
            "1.234,5 € per month",
            "Build #2211 passed in 4m 12s",
            "Temperature −3.5 °C",
            "Last sync 09:05:30",
        };
        BaselineReading r;
        for (std::size_t i = 0; i < texts.size(); ++i)
            r.lines.push_back({texts[i], NormRect{0.05, 0.08 * static_cast<double>(i), 0.9, 0.07}, 0.9});
        return r;
    }();
    return reading;
}

void numbersOfTwelveLines(benchmark::State& state) {
    const bool preferTime = state.range(0) != 0;
    twelveLines().numbers(preferTime);  // compiles the patterns
    for (auto _ : state) benchmark::DoNotOptimize(twelveLines().numbers(preferTime));
}
BENCHMARK(numbersOfTwelveLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void containsInTwelveLines(benchmark::State& state, const char* needle) {
    kestrove::TextMatch::contains(twelveLines().lines, needle);
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::TextMatch::contains(twelveLines().lines, needle));
}
BENCHMARK_CAPTURE(containsInTwelveLines, phrase, "sold out")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(containsInTwelveLines, clock, "12:30")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(containsInTwelveLines, symbols, "??")->Unit(benchmark::kMicrosecond);

}  // namespace
