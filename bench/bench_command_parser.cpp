// The sentence parser on pasted text: a sentence of lead-ins repeated over
// and over ("if if if …"), 100 KB and 1 MB of it. Cleaning and parsing
// should stay under 50 ms and 500 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "core/rules/command_parser.hpp"

namespace {

std::string leadIns(std::size_t size) {
    const std::string piece = "if ";
    std::string out;
    while (out.size() + piece.size() <= size) out += piece;
    return out + "the build is green";
}

void cleanOfLeadIns(benchmark::State& state) {
    const std::string sentence = leadIns(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CommandParser::clean(sentence));
}
BENCHMARK(cleanOfLeadIns)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void parseOfLeadIns(benchmark::State& state) {
    const std::string sentence = leadIns(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CommandParser::parse(sentence));
}
BENCHMARK(parseOfLeadIns)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
