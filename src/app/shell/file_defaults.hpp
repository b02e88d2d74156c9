#pragma once
// The user's settings across restarts: one JSON file,
// $XDG_CONFIG_HOME/Kestrove/settings.json, each value keeping its type
// (true/false, numbers, texts, and bytes as {"data": "<hex>"}). Every change
// rewrites the whole file atomically, on a writer thread of its own: the
// values are in place at once, the file follows (latest wins, in order). A file that cannot be read is never
// written over: it is kept aside as settings.json.damaged-<UTC time> as it is
// read, with a log line giving the reason and the copy (should that fail,
// the first change tries again before writing). Any thread.

#include <filesystem>
#include <map>
#include <mutex>

#include "core/foundation/defaults_store.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class FileDefaults final : public DefaultsStore {
public:
    // Reads the file now; a missing file is an empty store.
    explicit FileDefaults(std::filesystem::path file);

    // The writes asked for are done first.
    ~FileDefaults() override;

    std::optional<DefaultsValue> object(std::string_view key) const override;
    void set(std::string_view key, std::optional<DefaultsValue> value) override;

    const std::filesystem::path& file() const { return file_; }
    // Blocks until the file holds every change made so far.
    void flush() { writer_.drain(); }

    // Removes what killed saves of `file` left beside it, and logs it. Only
    // while no process of ours can be saving it: under the instance lock.
    static void removeInterruptedSaves(const std::filesystem::path& file);

private:
    using Values = std::map<std::string, DefaultsValue, std::less<>>;
    struct Writer {};

    void load();
    bool keepDamagedAside();
    // On the writer: the file from a snapshot of the values.
    void save(const Values& values);

    const std::filesystem::path file_;
    mutable std::mutex lock_;
    Values values_;
    std::string damage_;  // why the file on disk could not be used; empty when it can (the writer's once loaded)
    WorkQueue<Writer> writer_;
};

}  // namespace kestrove
