#pragma once
// A watch manager on fakes and virtual time, with its data folder in a fresh
// temporary folder: every runner, frame, notification and keep-awake call is
// recorded, and the real watch file's writes are counted through inotify.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <utility>

#include "app/engine/watch_manager.hpp"
#include "core/foundation/time_of_day.hpp"
#include "core/watch/watch_json.hpp"
#include "support/app/fake_frame.hpp"
#include "support/app/fake_keep_awake.hpp"
#include "support/app/fake_notifier.hpp"
#include "support/app/fake_runner.hpp"
#include "support/app/fake_screen_state.hpp"
#include "support/app/fakes.hpp"
#include "support/app/save_counter.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/manual_executor.hpp"
#include "support/samples.hpp"

namespace kestrove::testing {

// The tracker's timer needs Qt's event loop to exist, never to turn.
inline QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "engine_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A folder of its own under the temporary folder, removed afterwards.
struct TempFolder {
    QTemporaryDir dir;
    std::filesystem::path path() const { return dir.path().toStdString(); }
};

inline WatchSpec makeSpec(const std::string& id, double x, WatchType type = WatchType::anyChange,
                          WatchMode mode = WatchMode::once) {
    WatchSpec s;
    s.id = id;
    s.command = "the number drops below 200";
    s.type = type;
    s.mode = mode;
    s.region = WatchRegion{7, x, 40, 120, 30, 1, std::nullopt};
    return s;
}

inline WatchSpec boundSpec(const std::string& id, double x, std::uint32_t window) {
    WatchSpec s = makeSpec(id, x);
    s.region.window = WindowAnchor{window, "Editor", std::nullopt, 10, 20, 400, 300};
    return s;
}

inline Image solid(int w, int h, std::uint8_t v) { return samples::solid(w, h, v, v, v); }

// The fake notifier, and a hook run after each post (to look at the state
// the manager is in when it notifies).
struct HookedNotifier final : Notifier {
    explicit HookedNotifier(Executor main) : fake(std::move(main)) {}
    fakes::FakeNotifier fake;
    std::function<void()> hook;
    SharedImage lastPicture;

    bool available() const override { return fake.available(); }
    Pending status(StatusDone done) override { return fake.status(std::move(done)); }
    void bark(const std::string& title, const std::string& body, SharedImage image,
              const std::string& threadId) override {
        lastPicture = image;
        fake.bark(title, body, std::move(image), threadId);
        if (hook) hook();
    }
    const std::vector<fakes::FakeNotifier::Posted>& posted() const { return fake.posted; }
};

struct ManagerTest : ::testing::Test {
    TempFolder temp;
    std::filesystem::path data = temp.path() / "data" / "Kestrove";
    ManualExecutor main;
    fakes::VirtualClock clock;
    fakes::FakeScreens screens;
    fakes::FakeAsyncWindowList windows{main.executor(), screens};
    fakes::FakeRunnerFactory runners;
    fakes::FakeFrameFactory frames;
    HookedNotifier notifier{main.executor()};
    fakes::FakeKeepAwake keepAwake;
    fakes::FakeScreenState screenState;
    std::shared_ptr<MemoryDefaults> defaults = std::make_shared<MemoryDefaults>();
    std::unique_ptr<SaveCounter> saves;
    std::unique_ptr<WatchManager> manager;
    int changes = 0;

    void SetUp() override {
        qtApp();
        saves = std::make_unique<SaveCounter>(data);
        makeManager();
    }

    // `fileWorkers` 0: the files wait for saved() and the like.
    void makeManager(int fileWorkers = 0) {
        manager.reset();
        manager = std::make_unique<WatchManager>(WatchManager::Services{
            runners, frames, clock, notifier, keepAwake, screenState, windows, screens, defaults, data,
            [](Date d) { return TimeOfDay::shortTime(d, "en_GB", "UTC"); }, main.executor(), fileWorkers});
        manager->onChange = [this] { ++changes; };
    }

    // A new world for the next case of a table: no watches, no files, fresh fakes.
    void reset() {
        manager.reset();
        runners.made.clear();
        frames.made.clear();
        notifier.fake = fakes::FakeNotifier(main.executor());
        notifier.hook = nullptr;
        keepAwake = fakes::FakeKeepAwake{};
        for (const auto& entry : std::filesystem::directory_iterator(data)) std::filesystem::remove_all(entry);
        makeManager();
        settle();
    }

    // Adds a watch and forgets the counts that brought it.
    void added(const WatchSpec& spec) {
        manager->add(spec, std::make_shared<const Image>(solid(120, 30, 90)), std::nullopt);
        settle();
    }
    void settle() {
        saved();
        changes = 0;
    }
    // The file work asked for so far done, and the answers it gave delivered.
    void runFiles() {
        while (manager->files().runAll() + main.runPending() > 0) {
        }
    }
    // Writes of the watch file since the last call, the waiting ones done first.
    int saved() {
        runFiles();
        return saves->take();
    }
    // The crop on disk, read as the runners read it.
    std::optional<Image> savedCrop(const std::string& id) {
        std::optional<std::optional<Image>> out;
        const Pending read = manager->readCrop(id, [&](std::optional<Image> crop) { out = std::move(crop); });
        runFiles();
        EXPECT_TRUE(out.has_value()) << "no answer";
        return out ? *out : std::nullopt;
    }
    std::shared_ptr<fakes::FakeFrameLog> frameOf(const WatchSpec& spec) const { return frames.latestAt(spec.region.x); }
    WatchStatus status(const std::string& id) const { return manager->record(id)->status; }

    WatchFile savedFile() const {
        manager->files().runAll();
        std::ifstream in(manager->watchFile());
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return decodeJson<WatchFile>(text);
    }
    void writeFile(const std::string& text) const {
        std::filesystem::create_directories(data);
        std::ofstream(data / "watches.json") << text;
    }
};

}  // namespace kestrove::testing
