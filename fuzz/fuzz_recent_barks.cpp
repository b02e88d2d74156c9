// The chat link's store of recent barks as read at every launch: any bytes
// either fail with JsonError or read back as written; the link itself
// restores from them without failing, and ages entries of any date.
#include <chrono>

#include "core/cloud/telegram.hpp"
#include "core/watch/watch_json.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::text(data, size);
    auto store = std::make_shared<MemoryDefaults>();
    store->set(TelegramLink::recentKey, std::vector<std::uint8_t>(data, data + size));
    TelegramLink link(CloudSettings(store, std::nullopt), nullptr, inlineExecutor());

    RecentBarks barks;
    try {
        barks = decodeJson<RecentBarks>(text);
    } catch (const JsonError&) {
        fuzz::check(link.recent().entries.empty(), "an unreadable store restored entries");
        return 0;
    }
    fuzz::check(link.recent() == barks, "the link restored other entries than the store holds");
    const std::string written = encodeJson(barks);
    fuzz::check(decodeJson<RecentBarks>(written) == barks, "recent barks read back differ");
    const Date now = Date(std::chrono::seconds(1'800'000'000));
    for (const auto& [id, entry] : barks.entries) {
        const bool alive = barks.spec(id, now).has_value();
        fuzz::check(alive == (entry.at > now - RecentBarks::keepFor), "an entry's age is misjudged");
    }
    barks.prune(now);
    fuzz::check(barks.any(now) == !barks.entries.empty(), "pruning kept a stale entry");
    return 0;
}
