// The stored settings as found at launch, of any type and value: each line
// "<key> <type> <value>" with type b (boolean), d (number), s (text) or x
// (bytes). The settings read them without failing: an address in force has
// a host, a pause in force ends within 25 hours, the device id is made once.
#include <charconv>
#include <chrono>

#include "core/cloud/cloud_settings.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto store = std::make_shared<MemoryDefaults>();
    for (const std::string& line : fuzz::lines(fuzz::text(data, size))) {
        const std::size_t a = line.find(' ');
        if (a == std::string::npos || a + 2 >= line.size()) continue;
        const std::string key = line.substr(0, a);
        const char type = line[a + 1];
        const std::string value = line.substr(std::min(line.size(), a + 3));
        if (type == 'b') store->set(key, value == "true");
        else if (type == 's') store->set(key, value);
        else if (type == 'x') store->set(key, std::vector<std::uint8_t>(value.begin(), value.end()));
        else if (type == 'd') {
            double d = 0;
            std::from_chars(value.data(), value.data() + value.size(), d);
            store->set(key, d);
        }
    }
    const CloudSettings settings(store, Url::parse("https://api.kestrove.example"));
    if (auto url = settings.baseURL()) fuzz::check(!url->host.empty(), "a base address without host");
    (void)settings.availability();
    (void)settings.localOnly();
    for (std::int64_t s : {std::int64_t{-9'000'000'000}, std::int64_t{0}, std::int64_t{1'800'000'000}, std::int64_t{9'000'000'000}}) {
        const Date now{std::chrono::seconds(s)};
        if (auto pause = settings.modelPause(now)) {
            fuzz::check(pause->until > now && pause->until - now <= std::chrono::seconds(90000), "a pause out of bounds");
            fuzz::check(!pause->mayAsk(now), "a pause in force that lets the model be asked");
        }
    }
    const std::string id = settings.deviceID();
    fuzz::check(!id.empty() && settings.deviceID() == id, "the device id changed");
    settings.clearModelPause();
    return 0;
}
