#include "app/engine/watch_store.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include "core/foundation/data_files.hpp"
#include "core/foundation/log.hpp"
#include "core/picture/png.hpp"
#include "core/watch/watch_json.hpp"

namespace kestrove {

WatchStore::WatchStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

bool WatchStore::usableID(std::string_view id) {
    if (id.empty() || id.size() > 64) return false;
    for (char c : id) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

std::optional<std::vector<WatchRecord>> WatchStore::inspect() {
    if (state_ == FileState::unchecked) removeInterruptedSaves();
    const FileRead read = readWholeFile(watchFile());
    if (std::holds_alternative<FileMissing>(read)) {
        state_ = FileState::usable;
        return std::nullopt;
    }
    if (const auto* unreadable = std::get_if<FileUnreadable>(&read)) {
        state_ = FileState::damaged;
        damage_ = unreadable->reason;
        return std::nullopt;
    }
    const auto& bytes = std::get<std::vector<std::uint8_t>>(read);
    try {
        auto file = decodeJson<WatchFile>(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        state_ = FileState::usable;
        return std::move(file.watches);
    } catch (const std::exception& e) {
        state_ = FileState::damaged;
        damage_ = e.what();
        return std::nullopt;
    }
}

void WatchStore::removeInterruptedSaves() {
    const std::string watches = watchFile().filename().string();
    auto removed = removeInterruptedWrites(folder_, [&](std::string_view name) { return name == watches; });
    const auto crops = removeInterruptedWrites(cropsFolder(), [](std::string_view name) {
        return name.ends_with(".png") && usableID(name.substr(0, name.size() - 4));
    });
    removed.insert(removed.end(), crops.begin(), crops.end());
    if (removed.empty()) return;
    logLine(interruptedWritesNote(removed));
}

std::optional<std::vector<WatchRecord>> WatchStore::load() {
    auto records = inspect();
    // Kept aside at once, so the user hears of it at launch, not at the first save.
    if (state_ == FileState::damaged) keepDamagedAside("");
    return records;
}

bool WatchStore::keepDamagedAside(const std::string& failing) {
    const auto moved = moveAside(watchFile());
    if (!moved) {
        logLine(failing + "the watch file could not be used (" + damage_ + ") and could not be kept aside (" +
                moved.error() + ")");
        return false;
    }
    keptAside_ = keptAside_ || !moved.value().empty();
    if (!moved.value().empty())
        logLine("the watch file could not be used (" + damage_ + "); kept it as " + moved.value().string());
    state_ = FileState::usable;
    return true;
}

bool WatchStore::save(const std::vector<WatchRecord>& records) {
    // Saving before anything was loaded must not write over a file that
    // could not be loaded either.
    if (state_ == FileState::unchecked) inspect();
    Result<Done, std::string> written = makePrivateFolder(folder_);
    if (written && state_ == FileState::damaged && !keepDamagedAside("could not save watches: ")) return false;
    if (written) {
        try {
            written = writeFileAtomically(watchFile(), encodeJson(WatchFile{1, records}));
        } catch (const std::exception& e) {
            written = std::string(e.what());
        }
    }
    if (!written) logLine("could not save watches: " + written.error());
    return written.ok();
}

std::optional<std::filesystem::path> WatchStore::cropFile(const std::string& id) {
    if (usableID(id)) return cropsFolder() / (id + ".png");
    if (refusedIDs_.insert(id).second)
        logLine("the watch id \"" + id + "\" cannot name a file; its crop is neither read nor written");
    return std::nullopt;
}

bool WatchStore::writeCrop(const std::string& id, const Image& image) {
    const auto file = cropFile(id);
    if (!file) return false;
    Result<Done, std::string> written = makePrivateFolder(cropsFolder());
    if (written) {
        const auto png = encodePng(image);
        written = png ? writeFileAtomically(*file, *png) : std::string("the picture could not be encoded");
    }
    if (!written) logLine("could not save the crop of " + id + ": " + written.error());
    return written.ok();
}

std::optional<Image> WatchStore::readCrop(const std::string& id) {
    const auto file = cropFile(id);
    if (!file) return std::nullopt;
    const FileRead read = readWholeFile(*file);
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&read);
    if (!bytes) return std::nullopt;
    return decodePng(*bytes);
}

bool WatchStore::hasCrop(const std::string& id) {
    const auto file = cropFile(id);
    std::error_code ec;
    return file && std::filesystem::is_regular_file(*file, ec);
}

void WatchStore::removeCropsExcept(const std::set<std::string>& named) {
    if (keptAside_) return;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(cropsFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with("w_") || !name.ends_with(".png")) continue;
        const std::string id = name.substr(0, name.size() - 4);
        if (!usableID(id) || named.contains(id)) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        ::unlink(it->path().c_str());
    }
}

}  // namespace kestrove
