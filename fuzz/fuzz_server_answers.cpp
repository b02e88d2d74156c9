// The server's answers as the client decodes them: a first line naming the
// call (check, compile, pair, status, notify, actions), then the body. Any
// body either fails with JsonError (a badAnswer) or decodes to an answer
// that writes back to JSON decoding to the same answer; what the callers
// derive from it never fails.
#include "core/cloud/cloud_types.hpp"
#include "core/cloud/url.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

namespace {

template <typename Answer, typename Use>
void decode(std::string_view body, Use use) {
    Answer answer;
    try {
        answer = decodeWire<Answer>(body);
    } catch (const JsonError&) {
        return;
    }
    fuzz::check(decodeWire<Answer>(encodeWire(toJson(answer))) == answer, "an answer written back decodes otherwise");
    use(answer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const std::size_t newline = input.find('\n');
    const std::string_view call = input.substr(0, newline);
    const std::string_view body = newline == std::string_view::npos ? std::string_view{} : input.substr(newline + 1);
    if (call == "check") {
        decode<CheckResponse>(body, [](const CheckResponse&) {});
    } else if (call == "compile") {
        decode<CompileResponse>(body, [](const CompileResponse& r) {
            const std::vector<WatchType> top = r.topTwoTypes();
            fuzz::check(top.size() <= 2 && (top.size() < 2 || top[0] != top[1]), "top two kinds repeat or overflow");
            (void)r.watchType();
            (void)r.watchMode();
        });
    } else if (call == "pair") {
        decode<PairResponse>(body, [](const PairResponse& r) {
            if (auto link = r.link()) {
                auto url = Url::parse(*link);
                fuzz::check(url && url->scheme == "https" && !url->host.empty(), "a pairing link that is not https");
            }
        });
    } else if (call == "status") {
        decode<LinkStatus>(body, [](const LinkStatus&) {});
    } else if (call == "notify") {
        decode<NotifyResponse>(body, [](const NotifyResponse&) {});
    } else {
        decode<ActionsResponse>(body, [](const ActionsResponse& r) {
            for (const ChatAction& a : r.actions) (void)a.kind();
        });
    }
    return 0;
}
