#pragma once
// The watch file and the crops in the data folder ($XDG_DATA_HOME/Kestrove):
// watches.json holds the records, crops/<id>.png the picture each watch was
// made from. Every write replaces a whole file atomically. Blocking: one
// thread at a time (WatchFiles runs it on a worker of its own).

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/picture/image.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

class WatchStore {
public:
    explicit WatchStore(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path watchFile() const { return folder_ / "watches.json"; }
    std::filesystem::path cropsFolder() const { return folder_ / "crops"; }

    // Only these ids name files: [A-Za-z0-9_-], 1 to 64 characters.
    static bool usableID(std::string_view id);

    // The saved records; none when there is no file yet, or when it cannot
    // be read or decoded. Such a file is never written over: it is renamed
    // to watches.json.damaged-<UTC time> at once, with a log line saying why
    // and where (when that fails, the next save tries again first). The
    // first load, or else the first save, removes what saves interrupted
    // by the end of the process left behind.
    std::optional<std::vector<WatchRecord>> load();
    // Replaces the watch file; false, after one log line, when it could not.
    bool save(const std::vector<WatchRecord>& records);

    // The crop of a watch. A failed write is logged and false; an id that
    // cannot name a file reads and writes nothing.
    bool writeCrop(const std::string& id, const Image& image);
    std::optional<Image> readCrop(const std::string& id);
    bool hasCrop(const std::string& id);
    // Removes every crop of ours ("w_<id>.png", a plain file we own) that
    // `named` does not list: those of removed watches, and those a kill
    // left. None while a damaged watch file kept aside may still name them.
    void removeCropsExcept(const std::set<std::string>& named);

private:
    enum class FileState { unchecked, usable, damaged };
    // Reads and decodes the watch file, noting whether it may be replaced;
    // the first time, after removing what interrupted saves left.
    std::optional<std::vector<WatchRecord>> inspect();
    // `failing` leads the log line when the rename fails.
    bool keepDamagedAside(const std::string& failing);
    // Once, before anything is written: the temporary files of saves that
    // never finished (the process was killed), ours by their names alone.
    void removeInterruptedSaves();
    std::optional<std::filesystem::path> cropFile(const std::string& id);

    std::filesystem::path folder_;
    FileState state_ = FileState::unchecked;
    std::string damage_;               // why the file found could not be used
    bool keptAside_ = false;
    std::set<std::string> refusedIDs_;  // logged once each
};

}  // namespace kestrove
