// The update feed as fetched: any body either gives nothing or a release
// that keeps every rule of the feed; the running build's version text reads
// as a non-negative number or nothing.
#include "core/cloud/updates.hpp"
#include "core/foundation/text.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body = fuzz::text(data, size);
    if (std::optional<Release> r = UpdateCheck::parse(body)) {
        fuzz::check(size <= UpdateCheck::largestFile, "a feed larger than the limit was read");
        fuzz::check(!r->version.empty() && r->version.size() <= 20 && r->version[0] >= '0' && r->version[0] <= '9',
                    "a version breaking the rule: " + r->version);
        fuzz::check(r->build >= 1 && r->build < 1'000'000'000, "a build out of range");
        fuzz::check(text::lower(r->url.scheme) == "https" && !r->url.host.empty(), "a download page that is not https");
        fuzz::check(!r->notes || (!r->notes->empty() && text::graphemeCount(*r->notes) <= 200), "notes breaking the rule");
    }
    const std::optional<std::int64_t> own = UpdateCheck::build(body);
    fuzz::check(!own || *own >= 0, "a negative running build");
    const UpdateCheck::Outcome o = UpdateCheck::outcome(body, 200, own);
    fuzz::check((o.kind == UpdateCheck::Outcome::Kind::newer) == o.release.has_value(), "an outcome without its release");
    return 0;
}
