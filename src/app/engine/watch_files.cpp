#include "app/engine/watch_files.hpp"

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

void WatchFiles::save(std::vector<WatchRecord> records) {
    queue_.run({fileOwner, "save"}, [records = std::move(records)](Disk& disk) { disk.store->save(records); });
}

void WatchFiles::writeCrop(const std::string& id, std::shared_ptr<const Image> image) {
    if (!image) return;
    queue_.run({id, "crop"}, [id, image = std::move(image)](Disk& disk) { disk.store->writeCrop(id, *image); });
}

void WatchFiles::removeCrop(const std::string& id) {
    // Takes the place of a write still waiting: it would be deleted anyway.
    queue_.run({id, "crop"}, [id](Disk& disk) { disk.store->removeCrop(id); });
}

Pending WatchFiles::readCrop(const std::string& id, std::function<void(std::optional<Image>)> done) {
    // A lane of its own: two readers of one crop both get their answer.
    return queue_.post(
        {id, "read " + std::to_string(reads_++)}, [id](Disk& disk) { return disk.store->readCrop(id); },
        std::optional<Image>(), std::move(done));
}

}  // namespace kestrove
