#pragma once
// The pictures shown with notifications. The notification service reads them
// from a file, so each is written under a fresh name into a folder only we
// can read: $XDG_RUNTIME_DIR/kestrove, else $XDG_CACHE_HOME/Kestrove/notifications.
// Pictures older than a day are deleted; the service has long shown them.
// Used from one thread at a time.

#include <ctime>
#include <filesystem>
#include <optional>

#include "core/picture/image.hpp"

namespace kestrove {

class NotificationPictures {
public:
    // From the environment, as above (~/.cache when XDG_CACHE_HOME is unset).
    static std::filesystem::path defaultFolder();

    explicit NotificationPictures(std::filesystem::path folder) : folder_(std::move(folder)) {}

    const std::filesystem::path& folder() const { return folder_; }

    // The PNG file written (shrunk to 640 pixels on its long side when larger),
    // or none when the picture could not be stored.
    // The first store, and then one an hour, prunes the folder too.
    std::optional<std::filesystem::path> store(const Image& image);

    // Deletes the pictures written more than a day before `now`, never `keep`.
    void prune(std::time_t now, const std::filesystem::path& keep) const;

    // A picture no notification will show.
    static void discard(const std::filesystem::path& file);

private:
    bool makeFolder() const;

    std::filesystem::path folder_;
    std::optional<std::time_t> lastPrune_;
};

}  // namespace kestrove
