// One Kestrove at a time: a second start, a real second process, says so and
// quits without touching a file; a lock left by a killed process is taken
// over.

#include "app/engine/single_instance.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "engine/manager_fixture.hpp"

extern char** environ;

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

Child start(const fs::path& folder, bool hold) {
    int out[2], err[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back("KESTROVE_START_IN=" + folder.string());
    if (hold) env.push_back("KESTROVE_HOLD=1");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};
    Child child;
    EXPECT_EQ(::posix_spawn(&child.pid, self, &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    child.out = out[0];
    child.err = err[0];
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

TEST(SingleInstance, MakesItsFolderPrivate) {
    TempFolder temp;
    const fs::path folder = temp.path() / "data" / "Kestrove";
    ASSERT_TRUE(SingleInstance::acquire(folder));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace kestrove::testing
