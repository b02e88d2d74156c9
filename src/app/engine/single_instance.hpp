#pragma once
// One running Kestrove per user: two would write over each other's watch
// file. The application takes the lock first thing, before it reads or
// writes anything else.

#include <QLockFile>

#include <filesystem>
#include <memory>

namespace kestrove {

class SingleInstance {
public:
    // The lock `folder`/.lock, held until the instance is destroyed; none
    // when another running process holds it (a line says so and no file is
    // touched) or it cannot be made (a line says why). A lock left by a
    // process that died is taken over.
    static std::unique_ptr<SingleInstance> acquire(const std::filesystem::path& folder);

    static std::filesystem::path lockFile(const std::filesystem::path& folder) { return folder / ".lock"; }

private:
    explicit SingleInstance(const std::filesystem::path& file);
    QLockFile lock_;
};

}  // namespace kestrove
