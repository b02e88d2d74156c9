// Quotes and slashes in xterm's bitmap font "fixed", which Tesseract reads
// alike as an opening curly quote before a word: each line reads as it
// stands. Capture, recognition and the program are real.
#include "engine/real_programs.hpp"

namespace kestrove::testing {
namespace {

using desktop::texts;

// `status "done"` read "status /done"": the quote was taken for the slash
// the same misreading gives in "GET /api".
TEST_F(RealPrograms, AQuotedWordInATerminalKeepsItsQuotesBesideAPath) {
    Terminal term("status \"done\" in 4 s\nGET /api/pay 200 OK\n", "60x8+20+20", true);
    const std::optional<WindowInfo> window = term.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion quoted = boxAround(*window, "status", 3);
    const WatchRegion path = boxAround(*window, "GET", 3);
    EXPECT_EQ(texts(readers.picture(quoted)), std::vector<std::string>{"status \"done\" in 4 s"});
    EXPECT_EQ(texts(readers.picture(path)), std::vector<std::string>{"GET /api/pay 200 OK"});
}

}  // namespace
}  // namespace kestrove::testing
