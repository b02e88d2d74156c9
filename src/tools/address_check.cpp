// Run by the build on the configured server and update-feed addresses: the
// build fails on an address that the app itself would refuse at run time
// (and so silently leave the server not set up, or never look for updates).
// The rules are the app's own, not a copy.
//
//   kestrove_address_check api  <address>   the server's base address
//   kestrove_address_check feed <address>   the update feed
//
// An empty address means none (no server, no update check) and passes.

#include <cstdio>
#include <string_view>

#include "core/cloud/cloud_settings.hpp"
#include "core/cloud/updates.hpp"

int main(int argc, char** argv) {
    using namespace kestrove;
    const std::string_view kind = argc == 3 ? argv[1] : "";
    if (kind != "api" && kind != "feed") {
        std::fprintf(stderr, "usage: kestrove_address_check api|feed <address>\n");
        return 2;
    }
    const std::string_view address = argv[2];
    if (address.empty()) return 0;
    if (kind == "api") {
        if (CloudSettings::usableBaseURL(address)) return 0;
        std::fprintf(stderr,
                     "KESTROVE_API_BASE_URL must be an https address (or plain http to a loopback host) that the app "
                     "can read, not \"%s\"\n",
                     argv[2]);
    } else {
        if (UpdateCheck::feedAddress(address)) return 0;
        std::fprintf(stderr, "KESTROVE_UPDATE_FEED_URL must be https://<host>/version.json, not \"%s\"\n", argv[2]);
    }
    return 1;
}
