// The manager's commands: what each does to the status, the runner and the
// frame of a watch, and how often it saves and announces a change; restoring
// the watch file; Local Only.

#include <signal.h>
#include <sys/wait.h>

#include <map>
#include <random>
#include <set>

#include "engine/manager_fixture.hpp"

namespace kestrove::testing {
namespace {

using S = WatchStatus;

struct CommandCase {
    const char* name;
    std::optional<S> before;  // none: no record with the id
    std::function<void(WatchManager&, const WatchSpec&)> command;
    std::optional<S> after;  // none: no record afterwards
    bool runner, frame;
    int saves, changes;
};

struct Commands : ManagerTest {
    WatchSpec spec = makeSpec("w_1", 100);

    void bringTo(S status) {
        added(spec);
        if (status == S::lostSight) manager->runnerLostSight(spec.id, std::nullopt);
        if (status == S::paused) manager->pause(spec.id);
        if (status == S::finished) manager->end(spec.id);
        settle();
    }
    bool frameOpen() const {
        auto f = frameOf(spec);
        return f && !f->closed && !f->destroyed;
    }
};

TEST_F(Commands, EachCommandFromEachStatus) {
    auto add = [](WatchManager& m, const WatchSpec& s) { m.add(s, std::make_shared<const Image>(solid(120, 30, 1)), std::nullopt); };
    auto pause = [](WatchManager& m, const WatchSpec& s) { m.pause(s.id); };
    auto resume = [](WatchManager& m, const WatchSpec& s) { m.resume(s.id); };
    auto remove = [](WatchManager& m, const WatchSpec& s) { m.remove(s.id); };
    auto again = [](WatchManager& m, const WatchSpec& s) { m.watchAgain(s.id); };
    auto startAgain = [](WatchManager& m, const WatchSpec& s) { m.startAgain(s); };
    auto end = [](WatchManager& m, const WatchSpec& s) { m.end(s.id); };
    auto pauseAll = [](WatchManager& m, const WatchSpec&) { m.pauseAll(); };
    const CommandCase cases[] = {
        {"add", std::nullopt, add, S::watching, true, true, 1, 1},
        {"pause watching", S::watching, pause, S::paused, false, true, 1, 1},
        {"pause lost sight", S::lostSight, pause, S::paused, false, true, 1, 1},
        {"pause paused", S::paused, pause, S::paused, false, true, 0, 0},
        {"pause finished", S::finished, pause, S::finished, false, false, 0, 0},
        {"resume paused", S::paused, resume, S::watching, true, true, 1, 1},
        {"resume watching", S::watching, resume, S::watching, true, true, 0, 0},
        {"remove watching", S::watching, remove, std::nullopt, false, false, 1, 1},
        {"remove unknown id", std::nullopt, remove, std::nullopt, false, false, 1, 1},
        {"watch again finished", S::finished, again, S::watching, true, true, 1, 1},
        {"watch again watching", S::watching, again, S::watching, true, true, 0, 0},
        {"start again finished", S::finished, startAgain, S::watching, true, true, 1, 1},
        {"start again unknown id", std::nullopt, startAgain, S::watching, true, true, 1, 1},
        {"start again paused", S::paused, startAgain, S::paused, false, true, 0, 0},
        {"end watching", S::watching, end, S::finished, false, false, 1, 1},
        {"end lost sight", S::lostSight, end, S::finished, false, false, 1, 1},
        {"end paused", S::paused, end, S::finished, false, false, 1, 1},
        {"end finished", S::finished, end, S::finished, false, false, 0, 0},
        {"end unknown id", std::nullopt, end, std::nullopt, false, false, 0, 0},
        {"pause all of none", std::nullopt, pauseAll, std::nullopt, false, false, 0, 0},
        {"pause all watching", S::watching, pauseAll, S::paused, false, true, 1, 1},
        {"pause all with sight lost", S::lostSight, pauseAll, S::paused, false, true, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        if (c.before) bringTo(*c.before);
        c.command(*manager, spec);
        const WatchRecord* r = manager->record(spec.id);
        EXPECT_EQ(r ? std::optional(r->status) : std::nullopt, c.after);
        EXPECT_EQ(runners.live(spec.id), c.runner ? 1 : 0);
        EXPECT_EQ(frameOpen(), c.frame);
        if (c.frame) {
            EXPECT_EQ(frameOf(spec)->model.status, *c.after);
        }
        EXPECT_EQ(saved(), c.saves);
        EXPECT_EQ(changes, c.changes);
        EXPECT_LE(manager->records().size(), 1u);
    }
}

TEST_F(Commands, StartingAFinishedWatchAgainIsFreshAndKeepsItsLastBark) {
    const WatchSpec once = makeSpec("w_1", 100, WatchType::numberCompare);
    added(once);
    manager->runnerDidRead(once.id, "€ 184", 184);
    manager->runnerDidBark(once.id, nullptr, std::nullopt);
    const auto barked = manager->record(once.id)->lastBarkAt;
    ASSERT_TRUE(barked);
    auto oldFrame = frameOf(once);
    manager->watchAgain(once.id);
    EXPECT_EQ(status(once.id), S::watching);
    EXPECT_EQ(manager->record(once.id)->lastBarkAt, barked);
    EXPECT_EQ(manager->record(once.id)->lastRead, "€ 184");
    EXPECT_TRUE(runners.latest(once.id)->start.fresh);
    EXPECT_TRUE(manager->record(once.id)->told) << "what the box shows now, also after a restart";
    EXPECT_FALSE(runners.latest(once.id)->start.reference) << "a fresh runner takes its own first picture";
    EXPECT_TRUE(oldFrame->closed);
    EXPECT_NE(frameOf(once), oldFrame);
}

TEST_F(Commands, AddingTwiceWithOneIdKeepsBothAndActsOnTheFirst) {
    WatchSpec first = makeSpec("w_1", 100), second = makeSpec("w_1", 100);
    second.command = "something else";
    added(first);
    added(second);
    ASSERT_EQ(manager->records().size(), 2u);
    EXPECT_EQ(manager->record("w_1")->spec.command, first.command);
    EXPECT_EQ(runners.live("w_1"), 1) << "the first runner is stopped before the second is stored";
    EXPECT_EQ(runners.latest("w_1")->start.spec.command, "something else");
    manager->pause("w_1");
    EXPECT_EQ(manager->records()[0].status, S::paused);
    EXPECT_EQ(manager->records()[1].status, S::watching);
}

// A command over all watches is one save: were each watch saved on its own,
// a kill between two saves would leave some paused and others watching.
// Each save asked for is written at once here, as a free worker would.
TEST_F(Commands, PauseAllResumeAllAndClearFinishedAreOneWholeSaveEach) {
    for (int i = 0; i < 3; ++i) added(makeSpec("w_" + std::to_string(i), 100.0 * i));
    std::vector<std::vector<WatchRecord>> written;
    manager->onChange = [&] {
        ++changes;
        runFiles();
        written.push_back(savedFile().watches);
    };
    const auto statuses = [](const std::vector<WatchRecord>& records) {
        std::vector<S> out;
        for (const auto& r : records) out.push_back(r.status);
        return out;
    };
    manager->pauseAll();
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(statuses(written[0]), std::vector<S>(3, S::paused));
    EXPECT_TRUE(manager->allPaused());
    EXPECT_EQ(manager->interval("w_0"), 5);
    settle();
    written.clear();
    manager->resumeAll();
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(statuses(written[0]), std::vector<S>(3, S::watching));
    EXPECT_EQ(manager->activeCount(), 3);
    manager->end("w_0");
    manager->end("w_2");
    settle();
    written.clear();
    manager->clearFinished();
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], manager->records());
    ASSERT_EQ(manager->records().size(), 1u);
    EXPECT_EQ(manager->records()[0].id(), "w_1");
    settle();
    manager->clearFinished();
    manager->resumeAll();
    EXPECT_EQ(saved(), 0) << "nothing to do, nothing saved";
}

// The child runs a command loop for ever, its file worker saving as it goes;
// the parent kills it at random. Whatever moment the kill comes at, the files
// on disk agree: every watch paused or none, and every watch with its crop.
TEST_F(Commands, AKillDuringCommandsLeavesFilesThatAgree) {
    std::vector<WatchRecord> sixty;
    for (int i = 0; i < 60; ++i) sixty.push_back({makeSpec("w_" + std::to_string(i), i), S::watching, {}, {}, {}});
    const auto picture = std::make_shared<const Image>(solid(120, 30, 90));
    struct Case {
        const char* name;
        std::function<void(WatchManager&, const std::string& id)> step;
        int longestUs;  // between the start and the kill
    };
    const Case cases[] = {
        {"pause all, resume all",
         [](WatchManager& m, const std::string&) {
             m.pauseAll();
             m.resumeAll();
         },
         12000},
        // A new watch each time, and the oldest removed.
        {"add, remove",
         [&](WatchManager& m, const std::string& id) {
             m.add(makeSpec(id, 1), picture, std::nullopt);
             m.remove(std::string(m.records().front().id()));  // a copy: the record goes
             ::usleep(300);  // a person's pace, not a flood the worker never catches up with
         },
         60000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager.reset();
        std::filesystem::remove_all(data);
        ASSERT_TRUE(WatchStore(data).save(sixty));
        for (const auto& r : sixty) ASSERT_TRUE(WatchStore(data).writeCrop(r.id(), *picture));
        // A crop an earlier kill left, and files of the user's own.
        ASSERT_TRUE(WatchStore(data).writeCrop("w_gone", *picture));
        std::ofstream(data / "crops" / "holiday.png") << "the user's";
        std::ofstream(data / "crops" / "w_notes.txt") << "the user's";
        std::mt19937 random(20261208);
        std::uniform_int_distribution<int> delayUs(1000, c.longestUs);
        int mixed = 0, paused = 0, bare = 0, removed = 0;
        for (int kill = 0; kill < 60; ++kill) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                makeManager(1);
                manager->restore();
                for (int i = 0;; ++i) {
                    c.step(*manager, "w_" + std::to_string(kill) + "_" + std::to_string(i));
                    main.runPending();
                }
            }
            ::usleep(static_cast<useconds_t>(delayUs(random)));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            const auto file = WatchStore(data).load();
            ASSERT_TRUE(file && file->size() >= 59u) << "kill " << kill;
            const auto count =
                std::count_if(file->begin(), file->end(), [](const WatchRecord& r) { return r.status == S::paused; });
            if (count != 0 && count != std::ssize(*file)) ++mixed;
            if (count == 60) ++paused;
            bare += std::count_if(file->begin(), file->end(), [&](const WatchRecord& r) {
                return !std::filesystem::exists(data / "crops" / (r.id() + ".png"));
            });
            removed += file->front().id() != "w_0";
        }
        EXPECT_EQ(mixed, 0) << "files with some watches paused and others watching, of 60 kills";
        EXPECT_EQ(bare, 0) << "watches saved without their crop, over 60 kills";
        if (std::string_view(c.name) == "add, remove")
            EXPECT_GT(removed, 0) << "no kill came after a removal was saved: the test saw nothing";
        else
            EXPECT_GT(paused, 0) << "no kill came after a Pause All was saved: the test saw nothing";
        // The next launch leaves only the crops its watches name, and the user's files.
        makeManager();
        manager->restore();
        runFiles();
        std::set<std::string> named{"holiday.png", "w_notes.txt"}, found;
        for (const auto& r : savedFile().watches) named.insert(r.id() + ".png");
        for (const auto& e : std::filesystem::directory_iterator(data / "crops")) found.insert(e.path().filename());
        EXPECT_EQ(found, named);
    }
    makeManager();
}

// The data folder, or only its crops folder, fails for a while (a file in
// its place). The file marks the watches whose crop is not on disk meanwhile,
// and a relaunch takes no picture for them; the first save after the folder
// is back writes every crop asked for.
TEST_F(Commands, CropsThatFailToBeWrittenAreKeptUntilASaveWritesThem) {
    const std::filesystem::path failing[] = {data / "crops", data};
    const auto marks = [&] {
        std::map<std::string, bool> out;
        for (const auto& r : savedFile().watches) out[r.id()] = r.noCrop;
        return out;
    };
    for (const auto& folder : failing) {
        SCOPED_TRACE(folder);
        reset();
        manager->add(makeSpec("w_a", 0), std::make_shared<const Image>(solid(120, 30, 10)), std::nullopt);
        runFiles();
        const std::filesystem::path away = folder.string() + ".away";
        std::filesystem::rename(folder, away);
        std::ofstream(folder) << "in the way";
        ::testing::internal::CaptureStderr();
        manager->add(makeSpec("w_b", 200), std::make_shared<const Image>(solid(120, 30, 20)), std::nullopt);
        manager->runnerRebaselined("w_a", std::make_shared<const Image>(solid(120, 30, 30)));
        manager->pause("w_a");
        runFiles();
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not save"), std::string::npos);
        const bool cropsOnly = folder == data / "crops";
        if (cropsOnly) {
            EXPECT_EQ(marks(), (std::map<std::string, bool>{{"w_a", true}, {"w_b", true}}));
        }
        std::filesystem::remove(folder);
        std::filesystem::rename(away, folder);
        if (cropsOnly) {
            // Killed before the folder came back: w_a's older crop is not taken for its own.
            makeManager();
            manager->restore();
            EXPECT_EQ(savedCrop("w_a"), std::nullopt);
            EXPECT_EQ(savedCrop("w_b"), std::nullopt);
            EXPECT_FALSE(std::filesystem::exists(data / "crops" / "w_a.png"));
            continue;
        }
        manager->resume("w_a");
        runFiles();
        EXPECT_EQ(marks(), (std::map<std::string, bool>{{"w_a", false}, {"w_b", false}}));
        makeManager();
        EXPECT_EQ(savedCrop("w_a").value_or(Image{}).rgba, solid(120, 30, 30).rgba);
        EXPECT_EQ(savedCrop("w_b").value_or(Image{}).rgba, solid(120, 30, 20).rgba);
    }
}

// A resumed watch goes on from what it told: a condition told before the
// pause does not bark again. What came while it was paused does not bark for
// a rule that compares with an earlier reading: it takes that reading afresh.
TEST_F(Commands, AResumedWatchKeepsWhatItToldAndReadsAfreshWhatItComparesWith) {
    const std::pair<WatchType, bool> kinds[] = {
        {WatchType::newLine, true},       {WatchType::newItem, true},    {WatchType::anyChange, true},
        {WatchType::stateReached, false}, {WatchType::textGone, false},  {WatchType::numberCompare, false},
    };
    for (const auto& [kind, fresh] : kinds) {
        SCOPED_TRACE(rawValue(kind));
        reset();
        spec = makeSpec("w_RESUME", 10, kind);
        manager->add(spec, std::make_shared<const Image>(solid(120, 30, 1)), std::nullopt);
        EXPECT_FALSE(runners.latest(spec.id)->start.fresh) << "a watch just made keeps the reading it was made from";
        EXPECT_FALSE(runners.latest(spec.id)->start.told);
        manager->runnerTold(spec.id, true);
        manager->pause(spec.id);
        manager->resume(spec.id);
        EXPECT_EQ(runners.latest(spec.id)->start.fresh, fresh);
        EXPECT_TRUE(runners.latest(spec.id)->start.told);
    }
}

TEST_F(Commands, RestoreStartsRunnersForWatchingAndLostSightOnlyAndSavesAgain) {
    manager->restore();
    EXPECT_EQ(changes, 0) << "a first launch without a file changes nothing";
    EXPECT_FALSE(std::filesystem::exists(manager->watchFile()));
    WatchFile file;
    const S statuses[] = {S::watching, S::lostSight, S::paused, S::finished};
    // A new-line watch restored reads its lines afresh; a number watch keeps its reading.
    const WatchType kinds[] = {WatchType::newLine, WatchType::numberCompare, WatchType::anyChange, WatchType::anyChange};
    for (int i = 0; i < 4; ++i)
        file.watches.push_back({makeSpec("w_" + std::to_string(i), 100.0 * i, kinds[i]), statuses[i], {}, {}, {}});
    file.watches[1].told = true;  // so it does not bark again for what it told before the restart
    writeFile(encodeJson(file));
    makeManager();
    settle();
    manager->restore();
    EXPECT_EQ(manager->records(), file.watches);
    const bool runs[] = {true, true, false, false};
    const std::optional<S> framed[] = {S::watching, S::lostSight, S::paused, std::nullopt};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto& spec = file.watches[i].spec;
        EXPECT_EQ(runners.live(spec.id), runs[i] ? 1 : 0);
        if (runs[i]) {
            EXPECT_EQ(runners.latest(spec.id)->start.fresh, i == 0);
            EXPECT_EQ(runners.latest(spec.id)->start.told, i == 1);
            EXPECT_EQ(runners.latest(spec.id)->starts, 1);
        }
        auto f = frameOf(spec);
        EXPECT_EQ(f ? std::optional(f->model.status) : std::nullopt, framed[i]);
    }
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(Commands, LocalOnlySetsAndClearsOnlyItsOwnTrouble) {
    const WatchSpec judged = makeSpec("w_a", 0, WatchType::stateReached, WatchMode::everyTime);
    const WatchSpec troubled = makeSpec("w_b", 100, WatchType::newItem);
    const WatchSpec local = makeSpec("w_c", 200, WatchType::anyChange);
    const WatchSpec paused = makeSpec("w_d", 300, WatchType::stateReached);
    for (const auto& s : {judged, troubled, local, paused}) added(s);
    manager->pause(paused.id);
    manager->runnerTrouble(troubled.id, WatchTrouble::cantReachServer());
    settle();

    manager->setLocalOnly(true);
    EXPECT_TRUE(manager->cloud().localOnly());
    EXPECT_EQ(manager->trouble(judged.id), WatchTrouble::localOnly());
    EXPECT_EQ(frameOf(judged)->model.trouble, WatchTrouble::localOnly());
    EXPECT_EQ(manager->trouble(troubled.id), WatchTrouble::localOnly()) << "replaces another trouble";
    EXPECT_EQ(manager->trouble(local.id), std::nullopt) << "judged here, not by the model";
    EXPECT_EQ(manager->trouble(paused.id), std::nullopt);
    EXPECT_EQ(changes, 3) << "once per changed watch and once at the end";
    EXPECT_EQ(saved(), 0);

    manager->runnerTrouble(troubled.id, WatchTrouble::cantReachServer());
    settle();
    manager->setLocalOnly(false);
    EXPECT_FALSE(manager->cloud().localOnly());
    EXPECT_EQ(manager->trouble(judged.id), std::nullopt);
    EXPECT_EQ(frameOf(judged)->model.trouble, std::nullopt);
    EXPECT_EQ(manager->trouble(troubled.id), WatchTrouble::cantReachServer()) << "only Local Only's trouble goes";
    EXPECT_EQ(changes, 2);
}

TEST_F(Commands, PicturesComeFromTheRunnerElseTheSavedCropReadOffTheMainThread) {
    const WatchSpec spec = makeSpec("w_1", 100);
    const Image crop = solid(120, 30, 90);
    added(spec);
    EXPECT_EQ(*manager->picture(spec.id), crop);
    std::vector<std::string> pictures;
    manager->onPicture = [&](const std::string& id) { pictures.push_back(id); };
    manager->publishPicture(spec.id, std::make_shared<const Image>(solid(120, 30, 7)));
    EXPECT_EQ(pictures.size(), 1u);
    EXPECT_EQ(*manager->picture(spec.id), solid(120, 30, 7));

    manager->shutdown();
    makeManager();
    manager->onPicture = [&](const std::string& id) { pictures.push_back(id); };
    manager->restore();
    pictures.clear();
    EXPECT_EQ(manager->picture(spec.id), nullptr) << "nothing decoded on the caller's thread";
    EXPECT_EQ(manager->picture(spec.id), nullptr);
    runFiles();
    EXPECT_EQ(pictures, std::vector<std::string>{spec.id}) << "one read however often it was asked for";
    EXPECT_EQ(*manager->picture(spec.id), crop) << "read back from crops/ and kept";
    EXPECT_EQ(manager->picture("w_none"), nullptr);

    // A picture taken while the crop was read is newer; a removed watch keeps nothing.
    makeManager();
    manager->restore();
    EXPECT_EQ(manager->picture(spec.id), nullptr);
    manager->publishPicture(spec.id, std::make_shared<const Image>(solid(120, 30, 7)));
    runFiles();
    EXPECT_EQ(*manager->picture(spec.id), solid(120, 30, 7));
    makeManager();
    manager->restore();
    EXPECT_EQ(manager->picture(spec.id), nullptr);
    manager->remove(spec.id);
    runFiles();
    EXPECT_FALSE(std::filesystem::exists(data / "crops" / "w_1.png"));
    manager->publishPicture(spec.id, std::make_shared<const Image>(solid(120, 30, 7)));
    EXPECT_EQ(manager->picture(spec.id), nullptr);
}

}  // namespace
}  // namespace kestrove::testing
