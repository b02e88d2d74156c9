#pragma once
// The watch file and the crops, on a worker of their own, so the main thread
// never waits on the disk or a PNG: the watch file saved from a snapshot of
// the records (latest wins, atomic), each crop encoded and written, read
// back and decoded, or removed, in the order asked. The file and the crops
// agree whenever the process dies: a crop is written before a saved file
// names its watch, and removed only once a saved file no longer does. A crop
// that could not be written is kept and tried again at each save; meanwhile
// the file marks its watch noCrop. Each save removes the crops of ours no
// saved watch names (a kill can leave some). Only the first reading of the
// watch file is done at once, at launch.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "app/engine/watch_store.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/pending.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class WatchFiles {
public:
    // Reads the watch file now, on the calling thread: a file that cannot be
    // used is kept aside and logged before this returns. `threads` 0: the
    // work waits for runAll() (tests).
    WatchFiles(std::filesystem::path folder, Executor mainThread, int threads = 1);
    // The writes asked for are done first.
    ~WatchFiles();
    WatchFiles(const WatchFiles&) = delete;
    WatchFiles& operator=(const WatchFiles&) = delete;

    std::filesystem::path watchFile() const { return watchFile_; }
    // The records read at launch; none when there was no usable file. Once.
    std::optional<std::vector<WatchRecord>> takeLoaded() { return std::exchange(loaded_, std::nullopt); }

    void save(std::vector<WatchRecord> records);
    void writeCrop(const std::string& id, std::shared_ptr<const Image> image);
    // Done by the next save whose records do not name the watch.
    void removeCrop(const std::string& id);
    // The saved crop, or none; after every write and removal of it asked before.
    [[nodiscard]] Pending readCrop(const std::string& id, std::function<void(std::optional<Image>)> done);

    // Blocks until everything asked for is done (shutdown).
    void flush() { queue_.drain(); }
    std::size_t runAll() { return queue_.runAll(); }

private:
    struct Disk {
        WatchStore* store;
    };
    // Shared by the main thread and the worker.
    struct Shelf {
        std::mutex mutex;
        std::map<std::string, std::shared_ptr<const Image>> unwritten;  // crops asked for, not yet written
        std::set<std::string> doomed;  // crops to remove once no saved file names them
        std::set<std::string> cropless;  // watches whose crop is not on disk
        std::shared_ptr<const Image> take(const std::string& id);
        // After a write of `crop`: on failure it waits for the next save.
        void settle(const std::string& id, const std::shared_ptr<const Image>& crop, bool written);
    };

    std::unique_ptr<WatchStore> store_;
    std::filesystem::path watchFile_;
    std::optional<std::vector<WatchRecord>> loaded_;
    unsigned reads_ = 0;
    std::shared_ptr<Shelf> shelf_ = std::make_shared<Shelf>();
    WorkQueue<Disk> queue_;  // last: its workers end before the store
};

}  // namespace kestrove
