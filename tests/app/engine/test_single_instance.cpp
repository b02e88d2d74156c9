// One Kestrove at a time: a second start, a real second process, says so and
// quits without touching a file; a lock left by a killed process is taken
// over.

#include "app/engine/single_instance.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "engine/manager_fixture.hpp"

namespace {

// Run as a child (this program again, with KESTROVE_START_IN set), the
// program does only what the application does first, then ends: 0 when it
// got the lock, 3 when not. With KESTROVE_HOLD it says "ready" and waits.
[[maybe_unused]] const int childRole = [] {
    const char* folder = std::getenv("KESTROVE_START_IN");
    if (!folder) return 0;
    auto instance = kestrove::SingleInstance::acquire(folder);
    const bool got = instance != nullptr;
    if (got && std::getenv("KESTROVE_HOLD")) {
        (void)!::write(STDOUT_FILENO, "ready\n", 6);
        for (;;) ::pause();
    }
    instance.reset();
    std::_Exit(got ? 0 : 3);
}();

}  // namespace

namespace kestrove::testing {
namespace {

namespace fs = std::filesystem;

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output
    int err = -1;  // its standard error
};

// This program again, as a new start of the application in `folder`.
Child start(const fs::path& folder, bool hold) {
    int out[2], err[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    Child child{::fork(), out[0], err[0]};
    if (child.pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::setenv("KESTROVE_START_IN", folder.c_str(), 1);
        if (hold) ::setenv("KESTROVE_HOLD", "1", 1);
        ::execl("/proc/self/exe", "second-start", nullptr);
        std::_Exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    return child;
}

std::string readAll(int fd) {
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

// Exit code and standard error of a child that ends by itself.
std::pair<int, std::string> finish(Child child) {
    const std::string err = readAll(child.err);
    readAll(child.out);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

struct FileState {
    std::string bytes;
    std::int64_t mtime = 0;
    bool operator==(const FileState&) const = default;
};

std::map<std::string, FileState> files(const fs::path& folder) {
    std::map<std::string, FileState> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        struct stat st {};
        ::stat(e.path().c_str(), &st);
        std::ifstream in(e.path(), std::ios::binary);
        out[e.path().filename().string()] = {{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()},
                                             st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec};
    }
    return out;
}

TEST(SingleInstance, ASecondStartSaysSoAndTouchesNothing) {
    TempFolder temp;
    const fs::path folder = temp.path() / "Kestrove";
    auto first = SingleInstance::acquire(folder);
    ASSERT_TRUE(first);
    std::ofstream(folder / "watches.json") << R"({"version": 1, "watches": []})";
    const auto before = files(folder);
    ASSERT_TRUE(before.contains(".lock"));

    const auto [code, err] = finish(start(folder, false));
    EXPECT_EQ(code, 3);
    EXPECT_NE(err.find("Kestrove: already running (process " + std::to_string(::getpid()) + ")"), std::string::npos)
        << err;
    EXPECT_EQ(files(folder), before) << "neither the lock nor the watch file changed";

    first.reset();
    EXPECT_FALSE(fs::exists(folder / ".lock"));
    EXPECT_EQ(finish(start(folder, false)).first, 0) << "free again once the first has quit";
}

TEST(SingleInstance, ALockLeftByAKilledProcessIsTakenOver) {
    TempFolder temp;
    const fs::path folder = temp.path() / "Kestrove";
    Child holder = start(folder, true);
    char ready[6] = {};
    ASSERT_EQ(::read(holder.out, ready, sizeof ready), 6);
    EXPECT_FALSE(SingleInstance::acquire(folder)) << "held by a live process";
    ::kill(holder.pid, SIGKILL);
    finish(holder);
    ASSERT_TRUE(fs::exists(folder / ".lock")) << "a killed process cannot clean up";
    EXPECT_TRUE(SingleInstance::acquire(folder));
}

}  // namespace
}  // namespace kestrove::testing
