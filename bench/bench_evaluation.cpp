// Judging a rule against one reading of a box: what every poll of a watch pays.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/rules/evaluation.hpp"
#include "core/rules/new_line_rule.hpp"

using namespace kestrove;

namespace {

std::vector<OCRLine> linesOf(const std::vector<std::string>& texts) {
    std::vector<OCRLine> out;
    double y = 0.02;
    for (const std::string& t : texts) {
        out.push_back({t, {0.05, y, 0.9, 0.1}, 0.93});
        y += 0.12;
    }
    return out;
}

// A shop page: the price the user waits on sits among other numbers.
const std::vector<OCRLine>& shopPage() {
    static const std::vector<OCRLine> lines = linesOf({
        "Noise-cancelling headphones",
        "★★★★☆ 4.6 (2,318 reviews)",
        "Price: €249,99",
        "Was €299,00 — save 17%",
        "Free delivery by Thursday 12:00",
        "Only 3 left in stock",
    });
    return lines;
}

// A chat: the rule waits for a line not seen before.
const std::vector<OCRLine>& chat() {
    static const std::vector<OCRLine> lines = linesOf({
        "Anna 10:02  are we still on for lunch?",
        "Ben 10:04  yes, 12:30 at the usual place",
        "Anna 10:05  great, I'll book a table",
        "Cleo 10:07  can I join?",
        "Ben 10:08  sure!",
        "Anna 10:09  booked for 4",
    });
    return lines;
}

void evaluateNumberCompare(benchmark::State& state) {
    WatchSpec spec;
    spec.type = WatchType::numberCompare;
    spec.comparator = Comparison::lt;
    spec.value = 200;
    spec.target.description = "price";
    spec.target.unit = ValueUnit::eur;
    spec.target.anchor = Anchor{0.6, 0.31};
    for (auto _ : state) benchmark::DoNotOptimize(LocalCompiler::evaluate(spec, shopPage()));
}
BENCHMARK(evaluateNumberCompare)->Unit(benchmark::kMicrosecond);

void evaluateNewLine(benchmark::State& state) {
    std::vector<OCRLine> earlier(chat().begin(), chat().end() - 1);
    WatchSpec spec;
    spec.type = WatchType::newLine;
    spec.ruleFrom = WatchType::newItem;
    spec.baseline.lines = NewLineRule::normalized(earlier);
    for (auto _ : state) benchmark::DoNotOptimize(LocalCompiler::evaluate(spec, chat()));
}
BENCHMARK(evaluateNewLine)->Unit(benchmark::kMicrosecond);

}  // namespace
