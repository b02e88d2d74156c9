// One Kestrove at a time: a second start, a real second process, says so and
// quits without touching a file; a lock left by a killed process is taken
// over.

#include "app/engine/single_instance.hpp"

#include <gtest/gtest.h>

#include <QProcess>

#include <sys/stat.h>
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

// This program again, as a new start of the application in `folder`.
std::unique_ptr<QProcess> start(const fs::path& folder, bool hold) {
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KESTROVE_START_IN", QString::fromStdString(folder.string()));
    if (hold) env.insert("KESTROVE_HOLD", "1");
    child->setProcessEnvironment(env);
    child->start("/proc/self/exe", {});
    EXPECT_TRUE(child->waitForStarted());
    return child;
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

    auto second = start(folder, false);
    ASSERT_TRUE(second->waitForFinished());
    EXPECT_EQ(second->exitCode(), 3);
    const std::string err = second->readAllStandardError().toStdString();
    EXPECT_NE(err.find("Kestrove: already running (process " + std::to_string(::getpid()) + ")"), std::string::npos)
        << err;
    EXPECT_EQ(files(folder), before) << "neither the lock nor the watch file changed";

    first.reset();
    EXPECT_FALSE(fs::exists(folder / ".lock"));
    auto third = start(folder, false);
    ASSERT_TRUE(third->waitForFinished());
    EXPECT_EQ(third->exitCode(), 0) << "free again once the first has quit";
}

TEST(SingleInstance, ALockLeftByAKilledProcessIsTakenOver) {
    TempFolder temp;
    const fs::path folder = temp.path() / "Kestrove";
    auto holder = start(folder, true);
    ASSERT_TRUE(holder->waitForReadyRead());
    EXPECT_FALSE(SingleInstance::acquire(folder)) << "held by a live process";
    holder->kill();
    ASSERT_TRUE(holder->waitForFinished());
    ASSERT_TRUE(fs::exists(folder / ".lock")) << "a killed process cannot clean up";
    EXPECT_TRUE(SingleInstance::acquire(folder));
}

}  // namespace
}  // namespace kestrove::testing
