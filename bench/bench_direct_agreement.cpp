// Comparing a picture reading with a direct one when a watch is set up or checked.
#include <benchmark/benchmark.h>

#include "core/windows/direct_agreement.hpp"

using namespace kestrove;

namespace {

// `count` lines of a build log with distinct words; `misread` changes one
// letter in every tenth line, as text recognition does.
std::vector<OCRLine> log(int count, bool misread) {
    static const char* verbs[] = {"compiling", "linking", "generating", "checking", "installing"};
    std::vector<OCRLine> out;
    for (int i = 0; i < count; ++i) {
        std::string name = "module" + std::to_string(i);
        std::string verb = verbs[i % 5];
        if (misread && i % 10 == 0) verb[1] = 'x';
        OCRLine l;
        l.text.append("[").append(std::to_string(i)).append("/").append(std::to_string(count)).append("] ");
        l.text.append(verb).append(" ").append(name).append(" target");
        l.text.push_back(static_cast<char>('a' + i % 26));
        l.text.append("library");
        l.confidence = 1;
        out.push_back(l);
    }
    return out;
}

void BM_SameWords(benchmark::State& state) {
    const auto picture = log(static_cast<int>(state.range(0)), true);
    const auto direct = log(static_cast<int>(state.range(0)), false);
    for (auto _ : state) benchmark::DoNotOptimize(DirectAgreement::sameWords(picture, direct));
}
BENCHMARK(BM_SameWords)->Arg(12)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
