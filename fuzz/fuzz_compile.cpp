// A sentence (the first line) over a box (the other lines): the compiler and
// the rule evaluation agree on that reading whatever the outcome (see
// compile_agreement.hpp), and a rule judges a changed reading without
// failing.
#include "core/rules/evaluation.hpp"
#include "core/rules/local_compiler.hpp"
#include "fuzz_support.hpp"
#include "support/compile_agreement.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> texts = fuzz::lines(fuzz::text(data, size));
    const std::string sentence = texts.front();
    texts.erase(texts.begin());
    const BaselineReading reading = fuzz::reading(texts);

    const std::optional<std::string> fault = kestrove::testing::compileAgreementFault(sentence, reading);
    fuzz::check(!fault, fault.value_or(""));

    const WatchRegion region{1, 0, 0, 400, 100, 1, std::nullopt};
    const CompileOutcome o = LocalCompiler::compile(sentence, reading, region, std::nullopt, "w_FUZZ00", Date{},
                                                    [] { return std::string("w_FUZZ01"); });
    if (const WatchSpec* spec = o.spec()) {
        // The box later: its lines in reverse order, the last one gone.
        std::vector<std::string> later(texts.rbegin(), texts.rend());
        if (!later.empty()) later.pop_back();
        (void)LocalCompiler::evaluate(*spec, fuzz::reading(later).lines);
    }
    return 0;
}
