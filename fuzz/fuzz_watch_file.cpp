// The watch file as read from disk: any text either fails with JsonError or
// reads as a file that writes back to text that reads as the same file and
// writes back byte for byte the same.
#include "core/watch/watch_json.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WatchFile file;
    try {
        file = decodeJson<WatchFile>(fuzz::text(data, size));
    } catch (const JsonError&) {
        return 0;
    }
    const std::string written = encodeJson(file);
    const WatchFile again = decodeJson<WatchFile>(written);
    fuzz::check(again == file, "a file read back differs from the file written");
    fuzz::check(encodeJson(again) == written, "a file written twice differs");
    for (const WatchRecord& r : file.watches) (void)r.isActive();
    return 0;
}
