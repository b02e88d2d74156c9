// Addresses and error answers from outside: the first line is an address
// (a stored server override, a pairing link, a feed's download page), the
// rest a status and an error body. An address that parses writes back to
// one that parses the same; the address rules never fail; any status and
// body map to an error with a printed form.
#include "core/cloud/cloud_error.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/cloud/updates.hpp"
#include "core/cloud/url.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const std::size_t newline = input.find('\n');
    const std::string_view address = input.substr(0, newline);

    if (std::optional<Url> url = Url::parse(address)) {
        Url plain = *url;
        plain.userinfo.clear();  // never written out
        fuzz::check(Url::parse(url->toString()) == plain, "an address writes back as another: " + url->toString());
        const Url joined = url->appendingPath("v1/pair/status");
        fuzz::check(Url::parse(joined.toString()).has_value(), "a joined address does not parse");
    }
    if (auto base = CloudSettings::usableBaseURL(address)) fuzz::check(!base->host.empty(), "a base address without host");
    if (auto feed = UpdateCheck::feedAddress(address)) fuzz::check(feed->path == "/version.json", "a feed elsewhere");

    if (newline == std::string_view::npos) return 0;
    const std::string_view rest = input.substr(newline + 1);
    const std::size_t second = rest.find('\n');
    int status = 0;
    for (char c : rest.substr(0, std::min<std::size_t>(second, 4)))
        if (c >= '0' && c <= '9') status = status * 10 + (c - '0');
    const std::string_view body = second == std::string_view::npos ? std::string_view{} : rest.substr(second + 1);
    const CloudError error = CloudError::fromStatus(status, body);
    fuzz::check(!error.text().empty(), "an error without a printed form");
    (void)error.checksUsedUp();
    return 0;
}
