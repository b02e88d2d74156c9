#pragma once
// Files in the application's data folder: private folders, whole-file
// reads, and writes that leave either the old file or the new one on disk,
// whatever moment the process dies at.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/foundation/result.hpp"

namespace kestrove {

// Makes the folder and any missing parent, each new one 0700 (existing
// parents keep their mode). The folder itself, or what the user's own link
// there points to, must then be a folder owned by this user (a link of
// another user is refused, never followed), and is narrowed to 0700 when
// others could reach into it; else why not.
Result<Done, std::string> makePrivateFolder(const std::filesystem::path& folder);

struct FileMissing {};
struct FileUnreadable {
    std::string reason;
};
using FileRead = std::variant<std::vector<std::uint8_t>, FileMissing, FileUnreadable>;

// Files larger than this are not read: none of ours gets near it.
inline constexpr std::uintmax_t maxReadBytes = 64u << 20;

FileRead readWholeFile(const std::filesystem::path& file);

// Writes a temporary file (0600) beside the target, syncs it, renames it over the
// target and syncs the folder, so the rename itself survives a crash.
// Else why not (the target is then untouched). The folder must exist.
Result<Done, std::string> writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);
inline Result<Done, std::string> writeFileAtomically(const std::filesystem::path& file,
                                                     const std::vector<std::uint8_t>& bytes) {
    return writeFileAtomically(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// writeFileAtomically's temporary file is "<name>.kestrove-tmp-XXXXXX" (six
// letters or digits): a process that dies while writing leaves it behind.
// The <name> such a file was written for, none for any other name. Older
// builds named theirs "<name>.XXXXXX", which a user's own "<name>.backup"
// matches too: those are never taken for ours.
std::optional<std::string_view> interruptedWriteOf(std::string_view fileName);

// Removes from `folder` the regular files of ours that interrupted writes
// left there for a name `wanted` accepts, and nothing else. The paths
// removed. Only while nothing writes into the folder (before the first save).
std::vector<std::filesystem::path> removeInterruptedWrites(const std::filesystem::path& folder,
                                                           const std::function<bool(std::string_view)>& wanted);

// The log line telling what removeInterruptedWrites removed (not empty).
std::string interruptedWritesNote(const std::vector<std::filesystem::path>& removed);

// An fsync of the folder, which makes a rename or removal inside it survive a crash.
Result<Done, std::string> syncFolder(const std::filesystem::path& folder);

// Renames a file that could not be used to "<file>.damaged-<UTC time>"
// (then "-2", "-3"… when taken) beside it, so it is kept byte for byte.
// `now` names the copy (UTC, to the second). The copy's path (empty when the
// file was gone already), else why it could not be moved.
Result<std::filesystem::path, std::string> moveAside(const std::filesystem::path& file,
                                                     std::time_t now = std::time(nullptr));

}  // namespace kestrove
