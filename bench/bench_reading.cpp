// Reading a typical twelve-line box: its numbers, and a text search in it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/number_parser.hpp"

namespace {

const std::vector<std::string>& twelveLines() {
    static const std::vector<std::string> lines = {
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
    return lines;
}

void numbersOfTwelveLines(benchmark::State& state) {
    const bool preferTime = state.range(0) != 0;
    kestrove::NumberParser::numbers("warm up 1:00 and 5%", preferTime);  // compile the patterns
    for (auto _ : state) {
        std::size_t found = 0;
        for (const std::string& line : twelveLines()) found += kestrove::NumberParser::numbers(line, preferTime).size();
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(numbersOfTwelveLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
