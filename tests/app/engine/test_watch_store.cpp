// The watch file and crops on disk: a damaged file is kept, ids never reach
// outside crops/, folders are private, and a process killed at any moment
// leaves a watch file that reads.

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <random>

#include "core/foundation/data_files.hpp"
#include "engine/manager_fixture.hpp"

namespace kestrove::testing {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file under a folder with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        out[fs::relative(e.path(), folder).string()] = e.is_regular_file() ? contents(e.path()) : "<folder>";
    return out;
}

std::vector<fs::path> damagedCopies(const fs::path& folder) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().starts_with("watches.json.damaged-")) out.push_back(e.path());
    return out;
}

struct Store : ManagerTest {};

TEST_F(Store, AFileThatCannotBeUsedIsKeptAsideAndLoggedAsTheManagerIsMade) {
    struct Case {
        const char* name;
        std::function<void()> damage;
        const char* reason;
    };
    const Case cases[] = {
        {"not JSON", [&] { writeFile("{\"version\": 1, \"watches\": [{\"spec\""); }, "not valid JSON"},
        {"wrong shape", [&] { writeFile(R"({"version": 1, "watches": [{"status": "watching"}]})"); }, "watches[0]"},
        {"empty", [&] { writeFile(""); }, "not valid JSON"},
        {"a folder", [&] { fs::create_directories(data / "watches.json" / "inside"); }, "not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        fs::create_directories(data / "crops");
        std::ofstream(data / "crops" / "w_0.png") << "a crop";
        c.damage();
        const auto before = snapshot(data);
        saves->take();
        ::testing::internal::CaptureStderr();
        makeManager();
        const std::string log = ::testing::internal::GetCapturedStderr();
        const auto copies = damagedCopies(data);
        ASSERT_EQ(copies.size(), 1u) << "kept before anything else ran";
        if (fs::is_directory(copies[0])) {
            EXPECT_TRUE(fs::exists(copies[0] / "inside"));
        } else {
            EXPECT_EQ(contents(copies[0]), before.at("watches.json")) << "byte for byte";
        }
        EXPECT_NE(log.find("Kestrove: the watch file could not be used ("), std::string::npos) << log;
        EXPECT_NE(log.find(c.reason), std::string::npos) << log;
        EXPECT_NE(log.find("kept it as " + copies[0].string()), std::string::npos) << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;

        manager->restore();
        EXPECT_TRUE(manager->records().empty());
        EXPECT_EQ(saved(), 0) << "nothing written until there is something to save";
        EXPECT_EQ(contents(data / "crops" / "w_0.png"), "a crop") << "nothing else lost";
        added(makeSpec("w_1", 100));
        manager->shutdown();
        EXPECT_EQ(savedFile().watches.size(), 1u);
        EXPECT_EQ(damagedCopies(data), copies);
    }
}

TEST_F(Store, ASaveBeforeAnyLoadStillKeepsADamagedFileAside) {
    writeFile("not a watch file");
    WatchStore store(data);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(store.save({{makeSpec("w_1", 100), WatchStatus::watching, {}, {}, {}}}));
    ::testing::internal::GetCapturedStderr();
    const auto copies = damagedCopies(data);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(contents(copies[0]), "not a watch file");
    EXPECT_EQ(savedFile().watches.size(), 1u);
}

TEST_F(Store, DamagedCopiesKeptWithinOneSecondEachGetTheirOwnName) {
    const fs::path file = data / "watches.json";
    const std::time_t second = 1767225600;  // 2026-01-01 00:00:00 UTC
    const std::string base = file.string() + ".damaged-20260101T000000Z";
    const char* const kept[] = {"first", "second", "third"};
    const std::string names[] = {base, base + "-2", base + "-3"};
    for (int i = 0; i < 3; ++i) {
        writeFile(kept[i]);
        const auto moved = moveAside(file, second);
        ASSERT_TRUE(moved.ok()) << moved.error();
        EXPECT_EQ(moved.value(), names[i]);
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(contents(names[i]), kept[i]) << "each copy keeps its own bytes";
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(moveAside(file, second).value().empty()) << "nothing left to keep";
}

TEST_F(Store, IdsThatCannotNameAFileTouchNothing) {
    const std::string long65(65, 'a');
    // Where each id would land if it were used as a file name.
    const std::pair<std::string, fs::path> cases[] = {
        {"../x", data / "x.png"},
        {"a/b", data / "crops" / "a" / "b.png"},
        {"", data / "crops" / ".png"},
        {long65, data / "crops" / (long65 + ".png")},
    };
    for (const auto& [id, target] : cases) {
        SCOPED_TRACE(id);
        reset();
        fs::create_directories(target.parent_path());
        std::ofstream(target) << "planted";
        const auto before = snapshot(data);
        ::testing::internal::CaptureStderr();
        manager->add(makeSpec(id, 100), std::make_shared<const Image>(solid(120, 30, 9)), std::nullopt);
        manager->runnerRebaselined(id, std::make_shared<const Image>(solid(120, 30, 10)));
        EXPECT_EQ(savedCrop(id), std::nullopt);
        manager->remove(id);
        runFiles();
        const std::string log = ::testing::internal::GetCapturedStderr();
        auto after = snapshot(data);
        after.erase("watches.json");
        EXPECT_EQ(after, before) << "only the watch file changed";
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << "logged once: " << log;
    }
    reset();
    manager->add(makeSpec("w_Ok-9", 100), std::make_shared<const Image>(solid(120, 30, 9)), std::nullopt);
    runFiles();
    EXPECT_TRUE(fs::exists(data / "crops" / "w_Ok-9.png")) << "a plain id still gets its crop";
    // Removed by the id its own record holds, a watch takes only its own crop.
    manager->add(makeSpec("w_Ok-8", 100), std::make_shared<const Image>(solid(120, 30, 8)), std::nullopt);
    runFiles();
    ASSERT_EQ(manager->records().front().id(), "w_Ok-9");
    manager->remove(manager->records().front().id());
    runFiles();
    EXPECT_FALSE(fs::exists(data / "crops" / "w_Ok-9.png"));
    EXPECT_TRUE(fs::exists(data / "crops" / "w_Ok-8.png"));
}

TEST_F(Store, NewFoldersArePrivateAndAFailedSaveIsLoggedAndTriedAgain) {
    const fs::path folder = temp.path() / "home" / "Kestrove";
    WatchStore store(folder);
    std::ofstream(temp.path() / "home") << "a file where the folder should be";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(store.save({}));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(log.starts_with("Kestrove: could not save watches: ")) << log;

    fs::remove(temp.path() / "home");
    EXPECT_TRUE(store.save({}));
    EXPECT_TRUE(store.writeCrop("w_1", solid(4, 4, 1)));
    for (const auto& f : {temp.path() / "home", folder, folder / "crops"}) {
        struct stat st {};
        ASSERT_EQ(::stat(f.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << f;
    }
    EXPECT_EQ(store.load(), std::vector<WatchRecord>{});
}

// The child saves for ever, alternating a short and a long list so that a
// torn write could not pass for a whole one; the parent kills it at random.
TEST_F(Store, AKillAtAnyMomentLeavesAWholeWatchFile) {
    const fs::path folder = temp.path() / "killed";
    std::vector<WatchRecord> small{{makeSpec("w_0", 0), WatchStatus::watching, {}, {}, {}}}, large;
    for (int i = 0; i < 60; ++i) large.push_back({makeSpec("w_" + std::to_string(i), i), WatchStatus::paused, {}, {}, {}});
    ASSERT_TRUE(WatchStore(folder).save(small));
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayUs(0, 6000);
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WatchStore store(folder);
            for (bool flip = false;; flip = !flip) store.save(flip ? large : small);
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const FileRead read = readWholeFile(folder / "watches.json");
        const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&read);
        ASSERT_TRUE(bytes) << "kill " << kill << ": the file is missing";
        ASSERT_FALSE(bytes->empty()) << "kill " << kill;
        const auto file = decodeJson<WatchFile>(std::string(bytes->begin(), bytes->end()));
        ASSERT_TRUE(file.watches == small || file.watches == large) << "kill " << kill;
    }
    EXPECT_TRUE(damagedCopies(folder).empty());
    // A kill in the middle of a save leaves its temporary file; the next
    // store to load (each child's first save, and this one) removes them.
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(WatchStore(folder).load());
    const std::string log = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"watches.json"});
    EXPECT_TRUE(log.empty() || log.starts_with("Kestrove: removed 1 file left by saves that were cut short, such as " +
                                               (folder / "watches.json.").string()))
        << log;
}

}  // namespace
}  // namespace kestrove::testing
