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
             [store = store_.get()] { return std::make_unique<Disk>(Disk{store}); }) {
    if (loaded_)
        for (const auto& r : *loaded_)
            if (r.noCrop) shelf_->cropless.insert(r.id());
}

WatchFiles::~WatchFiles() {
    queue_.drain();
    queue_.stop();
}

// Every job has the one owner, so they run one at a time. A save takes an
// older waiting one's place in line, perhaps ahead of a crop write its
// records need: it writes the crops still waiting first, and those that
// failed before. A watch whose crop is still not on disk is saved marked so,
// and whatever picture is there under its name goes with the crops no saved
// watch names.
void WatchFiles::save(std::vector<WatchRecord> records) {
    queue_.run({fileOwner, "save"}, [records = std::move(records), shelf = shelf_](Disk& disk) mutable {
        std::set<std::string> named;
        for (auto& r : records) {
            if (const auto crop = shelf->take(r.id())) shelf->settle(r.id(), crop, disk.store->writeCrop(r.id(), *crop));
            {
                std::lock_guard lock(shelf->mutex);
                r.noCrop = shelf->cropless.contains(r.id());
            }
            r.noCrop = r.noCrop || !disk.store->hasCrop(r.id());
            if (!r.noCrop) named.insert(r.id());
        }
        if (!disk.store->save(records)) return;
        {
            std::lock_guard lock(shelf->mutex);
            for (auto it = shelf->doomed.begin(); it != shelf->doomed.end();) {
                const bool kept = std::any_of(records.begin(), records.end(),
                                              [&](const WatchRecord& r) { return r.id() == *it; });
                if (kept) {
                    ++it;
                } else {
                    shelf->unwritten.erase(*it);
                    shelf->cropless.erase(*it);
                    it = shelf->doomed.erase(it);
                }
            }
        }
        disk.store->removeCropsExcept(named);
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
        if (const auto crop = shelf->take(id)) shelf->settle(id, crop, disk.store->writeCrop(id, *crop));
    });
}

void WatchFiles::removeCrop(const std::string& id) {
    // A crop still to write stays: a save asked earlier may name the watch.
    std::lock_guard lock(shelf_->mutex);
    shelf_->doomed.insert(id);
}

void WatchFiles::Shelf::settle(const std::string& id, const std::shared_ptr<const Image>& crop, bool written) {
    std::lock_guard lock(mutex);
    if (written) {
        cropless.erase(id);
        return;
    }
    // Kept for the next save, unless a newer crop came meanwhile or the id
    // can never name a file.
    cropless.insert(id);
    if (!doomed.contains(id) && WatchStore::usableID(id)) unwritten.try_emplace(id, crop);
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
                // What lies on disk under its name is not its crop.
                if (shelf->cropless.contains(id)) return std::nullopt;
            }
            return disk.store->readCrop(id);
        },
        std::optional<Image>(), std::move(done));
}

}  // namespace kestrove
