#pragma once
// A sentence of the accessibility check turned into the application's rule
// from a set-up reading, and each tick's readings fed to its gates and its
// direct decider, as a watch would be.

#include <optional>
#include <vector>

#include "app/dev/ax_reads.hpp"
#include "core/windows/direct_agreement.hpp"

namespace kestrove::DevAX {

// Compiles the rule's sentence from the picture's lines with the local
// compiler and, when it compiles, tests the direct reading against it and
// adopts it when they agree (a decider then reads on). The agreement
// verdict, or none when the sentence did not compile.
std::optional<DirectAgreement::Verdict> compileRule(Rule& rule, const std::vector<OCRLine>& picture,
                                                    const DirectAnswer& direct, const WatchRegion& region,
                                                    bool onScreenOnly);

struct Fired {
    bool picture = false;
    bool direct = false;
};

// One tick's readings of the rule's box: the picture side when the picture
// saw the box, the direct side when the rule reads directly. A direct firing
// that rests on missing text barks only when this tick's picture agrees, as
// in the watch. The first bark of each side is kept.
Fired feedRule(Rule& rule, const Box& box, const PictureLook& look, const DirectAnswer& direct, int tick,
               double seconds);

}  // namespace kestrove::DevAX
