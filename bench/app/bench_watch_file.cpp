// Saving the watch file: the cost of one save (write, file and folder sync,
// rename) for 10 and 100 watches, and, with --kills=N, a child that saves
// without pause killed N times at random moments, each time checking that
// the file on disk is whole and counting the temporary files each kill
// left, which the next start sweeps. The folder is a fresh one under $TMPDIR or /tmp.
//   build/bench/bench_watch_file
//   build/bench/bench_watch_file --kills=1000

#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/foundation/data_files.hpp"
#include "app/engine/watch_store.hpp"
#include "core/watch/watch_json.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

fs::path freshFolder() {
    std::string pattern = (fs::temp_directory_path() / "kestrove-bench-XXXXXX").string();
    return fs::path(::mkdtemp(pattern.data())) / "Kestrove";
}

std::vector<WatchRecord> records(int n) {
    std::vector<WatchRecord> out;
    for (int i = 0; i < n; ++i) {
        WatchSpec s;
        s.id = "w_" + std::to_string(i);
        s.command = "the build number goes above 4000";
        s.type = WatchType::numberCompare;
        s.region = WatchRegion{7, 10.0 * i, 40, 120, 30, 1, std::nullopt};
        s.baseline.lines = std::vector<std::string>{"Build 3998", "Tests passed", "Deploying"};
        out.push_back({s, WatchStatus::watching, std::nullopt, "3998", 3998});
    }
    return out;
}

void BM_Save(benchmark::State& state) {
    const fs::path folder = freshFolder();
    WatchStore store(folder);
    const auto list = records(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(store.save(list));
    fs::remove_all(folder.parent_path());
}
BENCHMARK(BM_Save)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// Files in the folder besides the watch file.
int others(const fs::path& folder) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(folder)) n += e.path().filename() != "watches.json";
    return n;
}

int killLoop(int kills) {
    const fs::path folder = freshFolder();
    const auto small = records(1), large = records(60);
    if (!WatchStore(folder).save(small)) return 2;
    std::mt19937 random(static_cast<unsigned>(std::random_device{}()));
    std::uniform_int_distribution<int> delayUs(0, 6000);
    int whole = 0, torn = 0, missing = 0, leftovers = 0;
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < kills; ++i) {
        const pid_t child = ::fork();
        if (child < 0) return 2;
        if (child == 0) {
            WatchStore store(folder);
            for (bool flip = false;; flip = !flip) store.save(flip ? large : small);
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        // Each child's first save sweeps what the kill before it left.
        leftovers += others(folder);
        const FileRead read = readWholeFile(folder / "watches.json");
        const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&read);
        if (!bytes || bytes->empty()) {
            ++missing;
            continue;
        }
        try {
            const auto file = decodeJson<WatchFile>(std::string(bytes->begin(), bytes->end()));
            (file.watches == small || file.watches == large) ? ++whole : ++torn;
        } catch (const std::exception&) {
            ++torn;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    // The next start's first load sweeps what the last kill left.
    (void)WatchStore(folder).load();
    const int remaining = others(folder);
    std::printf("%d kills in %.1f s: %d whole, %d torn, %d missing or empty; %d temporary files left by kills, "
                "%d of them still there after the next start\n",
                kills, seconds, whole, torn, missing, leftovers, remaining);
    fs::remove_all(folder.parent_path());
    return torn + missing + remaining == 0 ? 0 : 1;
}

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--kills=", 8) == 0) return kestrove::killLoop(std::atoi(argv[i] + 8));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
