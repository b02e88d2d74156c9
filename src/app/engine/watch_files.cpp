#include "app/engine/watch_files.hpp"

#include <algorithm>

namespace kestrove {

namespace {

// Not a watch id: ids never hold a dot.
const std::string fileOwner = "watches.json";

}  // namespace

WatchFiles::WatchFiles(std::filesystem::path folder, Executor mainThread, int threads)
    : store_(std::make_unique<WatchStore>(std::move(folder))),
      watchFile_(store_->watchFile()),
      loaded_(store_->load()),
      queue_("watch files", threads, std::move(mainThread),
             [store = store_.get()] { return std::make_unique<Disk>(Disk{store}); }) {}

WatchFiles::~WatchFiles() {
    queue_.drain();
    queue_.stop();
}

// Every job has the one owner, so they run one at a time. A save takes an
// older waiting one's place in line, perhaps ahead of a crop write its
// records need: it writes the crops still waiting first.
void WatchFiles::save(std::vector<WatchRecord> records) {
    queue_.run({fileOwner, "save"}, [records = std::move(records), shelf = shelf_](Disk& disk) {
        for (const auto& r : records)
            if (const auto crop = shelf->take(r.id())) disk.store->writeCrop(r.id(), *crop);
        if (!disk.store->save(records)) return;
        std::set<std::string> gone;
        {
            std::lock_guard lock(shelf->mutex);
            for (auto it = shelf->doomed.begin(); it != shelf->doomed.end();) {
                const bool named = std::any_of(records.begin(), records.end(),
                                               [&](const WatchRecord& r) { return r.id() == *it; });
                if (named) {
                    ++it;
                } else {
                    gone.insert(*it);
                    shelf->unwritten.erase(*it);
                    it = shelf->doomed.erase(it);
                }
            }
        }
        for (const auto& id : gone) disk.store->removeCrop(id);
    });
}

void WatchFiles::writeCrop(const std::string& id, std::shared_ptr<const Image> image) {
    if (!image) return;
    {
        std::lock_guard lock(shelf_->mutex);
        shelf_->doomed.erase(id);
        shelf_->unwritten[id] = std::move(image);
    }
    queue_.run({fileOwner, "crop " + id}, [id, shelf = shelf_](Disk& disk) {
        if (const auto crop = shelf->take(id)) disk.store->writeCrop(id, *crop);
    });
}

void WatchFiles::removeCrop(const std::string& id) {
    // A crop still to write stays: a save asked earlier may name the watch.
    std::lock_guard lock(shelf_->mutex);
    shelf_->doomed.insert(id);
}

std::shared_ptr<const Image> WatchFiles::Shelf::take(const std::string& id) {
    std::lock_guard lock(mutex);
    const auto it = unwritten.find(id);
    if (it == unwritten.end()) return nullptr;
    auto image = std::move(it->second);
    unwritten.erase(it);
    return image;
}

Pending WatchFiles::readCrop(const std::string& id, std::function<void(std::optional<Image>)> done) {
    // A lane of its own: two readers of one crop both get their answer.
    return queue_.post(
        {fileOwner, "read " + std::to_string(reads_++)},
        [id, shelf = shelf_](Disk& disk) -> std::optional<Image> {
            {
                std::lock_guard lock(shelf->mutex);
                if (shelf->doomed.contains(id)) return std::nullopt;
                if (const auto it = shelf->unwritten.find(id); it != shelf->unwritten.end()) return *it->second;
            }
            return disk.store->readCrop(id);
        },
        std::optional<Image>(), std::move(done));
}

}  // namespace kestrove
