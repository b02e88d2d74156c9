// Recognition of crops taken from real programs (GTK 3 dialogs and editors
// in light and dark themes, gedit, a calculator, terminals with bitmap and
// outline fonts, web pages at 11-56 px with dark and coloured sections),
// stored in bench/data/ocr with their true texts. Prints, per group (light,
// dark, colour, bitmap, shop, and ordinary: text the rules could misread),
// the share of characters read right and how many boxes had every number
// exact, with the picture given to Tesseract as it is and as prepared, and
// whether the prepared reading meets the goal (99.5 % of characters, every
// number exact); the median time of a 400 × 100 crop; then times
// recognition of the 400-point-wide crops both ways. Where the `tesseract`
// command line is installed, each crop is read by it too (its own page
// layout, as a user would run it) and its figures and time stand beside
// ours, with the boxes we read slower than it. The boxes listed in
// heldout.txt were never looked at while tuning the preparation: their
// figures are printed apart, and those of each later set named beside its
// files apart again (`--misreads` leaves them out unless
// `--held-out` is given). It then lists every crop whose numbers went from
// right to wrong since those stored in numbers.tsv (the commit before) and
// exits 1 if there are any; `--gate` reads only that far, `--store-numbers`
// stores what each crop reads now (a crop gone from right to wrong keeps its
// numbers from before). No display needed:
//   build/bench/bench_ocr_accuracy [--misreads [--held-out]] [--gate] [--store-numbers]

#include <benchmark/benchmark.h>

#include <QImage>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include <QProcess>
#include <QStandardPaths>

#include "core/ocr/ocr_badges.hpp"
#include "core/ocr/ocr_cursors.hpp"
#include "core/ocr/ocr_layout.hpp"
#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/tesseract/tesseract_engine.hpp"
#include "app/look/qt_image.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/number_parser.hpp"

namespace kestrove {
namespace {

struct Sample {
    std::string file;
    std::string background;
    std::string truth;  // lines joined by "\n"
    Image image;
};

std::vector<Sample> samples() {
    std::vector<Sample> out;
    std::ifstream list(KESTROVE_OCR_DATA "/truth.tsv");
    std::string row;
    while (std::getline(list, row)) {
        if (row.empty() || row[0] == '#') continue;
        std::istringstream fields(row);
        Sample s;
        std::getline(fields, s.file, '\t');
        std::getline(fields, s.background, '\t');
        std::getline(fields, s.truth);
        s.truth = text::replaceAll(s.truth, "\\n", "\n");
        s.image = imageFromQImage(QImage(QString::fromStdString(KESTROVE_OCR_DATA "/" + s.file)));
        if (s.image.isValid()) out.push_back(std::move(s));
    }
    return out;
}

std::size_t distance(const std::u16string& a, const std::u16string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// Held-out file → the later set it was added in ("" for the first).
std::map<std::string, std::string> heldOut() {
    std::map<std::string, std::string> out;
    std::ifstream list(KESTROVE_OCR_DATA "/heldout.txt");
    for (std::string row; std::getline(list, row);) {
        if (row.empty()) continue;
        const std::size_t tab = row.find('\t');
        out[row.substr(0, tab)] = tab == std::string::npos ? "" : row.substr(tab + 1);
    }
    return out;
}

// The `tesseract` command line's reading of a crop and the time its process
// took; nothing when the program is not installed.
struct CommandLineRead {
    std::string text;
    double ms = 0;
};
std::optional<CommandLineRead> commandLine(const std::string& file) {
    static const QString program = QStandardPaths::findExecutable("tesseract");
    if (program.isEmpty()) return std::nullopt;
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    const auto start = std::chrono::steady_clock::now();
    p.start(program, {QString::fromStdString(KESTROVE_OCR_DATA "/" + file), "stdout"});
    if (!p.waitForFinished(30000)) return std::nullopt;
    CommandLineRead read{"", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count()};
    // Its blank lines part paragraphs; the reading is the lines with text.
    std::istringstream lines(p.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        line = text::trimWhitespaceAndNewlines(line);
        if (!line.empty()) read.text += (read.text.empty() ? "" : "\n") + line;
    }
    return read;
}

std::vector<double> numbersIn(const std::string& lines) {
    std::vector<double> out;
    std::istringstream in(lines);
    // Read both ways: plain numbers, and clocks and durations as times.
    for (std::string line; std::getline(in, line);)
        for (const bool preferTime : {false, true})
            for (const ReadNumber& n : NumberParser::numbers(line, preferTime)) out.push_back(n.value);
    return out;
}

std::string joined(const std::vector<OCRLine>& lines) {
    std::string out;
    for (const OCRLine& l : lines) out += (out.empty() ? "" : "\n") + l.text;
    return out;
}

struct Tally {
    std::size_t characters = 0, wrong = 0, boxes = 0, numberBoxes = 0, numbersExact = 0;
    std::vector<double> ms;
    void add(const Sample& s, const std::string& read, double took = 0) {
        ms.push_back(took);
        const std::u16string truth = text::toUtf16(s.truth);
        characters += truth.size();
        wrong += std::min(distance(truth, text::toUtf16(read)), truth.size());
        ++boxes;
        const std::vector<double> want = numbersIn(s.truth);
        if (want.empty()) return;
        ++numberBoxes;
        numbersExact += numbersIn(read) == want;
    }
    // The goal every group is held to.
    bool meetsGoal() const {
        return characters > 0 && 1000 * (characters - wrong) >= 995 * characters && numbersExact == numberBoxes;
    }
    std::string line() const {
        char out[128];
        std::snprintf(out, sizeof out, "%6.2f %%  %2zu/%-2zu", 100.0 * double(characters - wrong) / double(characters),
                      numbersExact, numberBoxes);
        return out;
    }
    std::string time() const {
        std::vector<double> t = ms;
        std::sort(t.begin(), t.end());
        char out[64];
        std::snprintf(out, sizeof out, "%5.0f %5.0f", t.empty() ? 0 : t[t.size() / 2], t.empty() ? 0 : t.back());
        return out;
    }
};

double millisecondsOf(auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The numbers of one crop: those read and those of its true text.
struct CropNumbers {
    std::vector<double> read, truth;
    bool right() const { return read == truth; }
};

// What each crop read on the commit before, kept with the true text's
// numbers of then: a change to the number reader itself leaves "right
// before" as it was.
const char* const numbersFile = KESTROVE_OCR_DATA "/numbers.tsv";

std::string written(const std::vector<double>& numbers) {
    std::string out;
    for (const double v : numbers) {
        char shortest[32];
        const auto end = std::to_chars(shortest, shortest + sizeof shortest, v).ptr;
        out.append(out.empty() ? "" : " ").append(shortest, end);
    }
    return out;
}

std::optional<std::vector<double>> numbersWritten(const std::string& field) {
    std::vector<double> out;
    std::istringstream in(field);
    for (std::string word; in >> word;) {
        double v = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
        if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
        out.push_back(v);
    }
    return out;
}

std::map<std::string, CropNumbers> storedNumbers() {
    std::map<std::string, CropNumbers> out;
    std::ifstream list(numbersFile);
    int at = 0;
    for (std::string row; std::getline(list, row);) {
        ++at;
        if (row.empty() || row[0] == '#') continue;
        std::istringstream fields(row);
        std::string file, read, truth;
        std::getline(fields, file, '\t');
        std::getline(fields, read, '\t');
        std::getline(fields, truth);
        const auto r = numbersWritten(read), t = numbersWritten(truth);
        if (file.empty() || !r || !t) {
            std::printf("numbers.tsv line %d is not \"file<TAB>numbers read<TAB>true numbers\": left out\n", at);
            continue;
        }
        out[file] = {*r, *t};
    }
    return out;
}

// Lists the crops (file and its numbers now, in truth.tsv's order) whose
// numbers were right on the commit before and are wrong now; with `store`,
// writes numbers.tsv again, keeping those crops' numbers from before.
// Returns how many went from right to wrong.
std::size_t checkNumbers(const std::vector<std::pair<std::string, CropNumbers>>& now, bool store) {
    const std::map<std::string, CropNumbers> stored = storedNumbers();
    std::vector<std::string> worse, unstored, truthChanged;
    std::string out = "# The numbers each crop read on the commit before, and its true text's numbers then\n"
                      "# (written by bench_ocr_accuracy --store-numbers; see README.md).\n"
                      "# file\tnumbers read\ttrue text's numbers\n";
    for (const auto& [file, numbers] : now) {
        const auto before = stored.find(file);
        const bool known = before != stored.end();
        const bool gotWorse = known && before->second.right() && !numbers.right();
        if (!known) unstored.push_back(file);
        if (known && before->second.truth != numbers.truth) truthChanged.push_back(file);
        if (gotWorse)
            worse.push_back(file + "  true " + written(numbers.truth) + "  before " + written(before->second.read) +
                            "  now " + written(numbers.read));
        const CropNumbers& kept = gotWorse ? before->second : numbers;
        out += file + '\t' + written(kept.read) + '\t' + written(kept.truth) + '\n';
    }
    std::printf("numbers gone from right to wrong since numbers.tsv: %zu of %zu crops\n", worse.size(), now.size());
    for (const std::string& line : worse) std::printf("  %s\n", line.c_str());
    if (!truthChanged.empty()) {
        std::printf("true text's numbers other than stored (judged by those stored): %zu\n", truthChanged.size());
        for (const std::string& file : truthChanged) std::printf("  %s\n", file.c_str());
    }
    if (!unstored.empty()) {
        std::printf("crops with no stored numbers%s: %zu\n", store ? ", stored now" : " (--store-numbers stores them)",
                    unstored.size());
        for (const std::string& file : unstored) std::printf("  %s\n", file.c_str());
    }
    if (store) {
        std::ofstream file(numbersFile, std::ios::trunc);
        if (!(file << out).flush()) {
            std::printf("cannot write %s: nothing stored\n", numbersFile);
            return worse.size() + 1;
        }
        std::printf("stored the numbers of %zu crops in numbers.tsv%s\n", now.size() - worse.size(),
                    worse.empty() ? "" : "; those gone from right to wrong keep theirs from before");
    }
    std::printf("\n");
    return worse.size();
}

// Reads each crop only as prepared, for the numbers.
std::size_t gate(bool store) {
    TesseractEngine engine(false);
    std::vector<std::pair<std::string, CropNumbers>> now;
    for (const Sample& s : samples())
        now.emplace_back(s.file, CropNumbers{numbersIn(joined(engine.read(s.image, TesseractEngine::Preparation::full))),
                                             numbersIn(s.truth)});
    return checkNumbers(now, store);
}

// Returns how many crops' numbers went from right to wrong.
std::size_t printAccuracy(bool verbose, bool showHeldOut) {
    TesseractEngine engine(false);
    const std::map<std::string, std::string> held = heldOut();
    struct Tallies {
        Tally asItIs, prepared, command;
    };
    std::map<std::string, Tallies> by;  // group → tallies
    bool command = false;
    std::vector<std::string> slower;  // boxes we read slower than the command line
    std::vector<std::pair<std::string, CropNumbers>> numbers;
    for (const Sample& s : samples()) {
        const std::string before = joined(engine.read(s.image, TesseractEngine::Preparation::none));
        std::string after;
        const double took = millisecondsOf([&] { after = joined(engine.read(s.image, TesseractEngine::Preparation::full)); });
        numbers.emplace_back(s.file, CropNumbers{numbersIn(after), numbersIn(s.truth)});
        const std::optional<CommandLineRead> cli = commandLine(s.file);
        command |= cli.has_value();
        if (cli && took > cli->ms) {
            char line[160];
            std::snprintf(line, sizeof line, "%s (%.0f ms, command line %.0f ms)", s.file.c_str(), took, cli->ms);
            slower.emplace_back(line);
        }
        const auto heldIn = held.find(s.file);
        const bool isHeld = heldIn != held.end();
        std::vector<std::string> keys{s.background, "all", isHeld ? "held out" : "tuned on"};
        if (isHeld && !heldIn->second.empty()) keys.push_back("held out " + heldIn->second);
        for (const std::string& key : keys) {
            by[key].asItIs.add(s, before);
            by[key].prepared.add(s, after, took);
            if (cli) by[key].command.add(s, cli->text, cli->ms);
        }
        if (!verbose || (isHeld && !showHeldOut)) continue;
        if (numbersIn(after) != numbersIn(s.truth)) std::printf("numbers differ: %s\n", s.file.c_str());
        if (before != s.truth || after != s.truth || (cli && cli->text != s.truth))
            std::printf("%-40s truth %s\n%40s as is %s\n%40s prep. %s\n%40s cli   %s\n", s.file.c_str(),
                        text::replaceAll(s.truth, "\n", " | ").c_str(), "",
                        text::replaceAll(before, "\n", " | ").c_str(), "",
                        text::replaceAll(after, "\n", " | ").c_str(), "",
                        cli ? text::replaceAll(cli->text, "\n", " | ").c_str() : "-");
    }
    std::printf("\n%-14s %5s   %-18s %-18s %-4s %-11s", "group", "boxes", "as it is: chars,", "prepared: chars,",
                "goal", "ms med, max");
    if (command) std::printf("   %-18s %-4s %s", "command line: chars,", "goal", "ms med, max");
    std::printf("\n%-14s %5s   %-18s %-18s %-4s %-11s", "", "", "          numbers", "          numbers", "", "");
    if (command) std::printf("                 numbers");
    std::printf("\n");
    for (const auto& [key, t] : by) {
        std::printf("%-14s %5zu   %-18s %-18s %-4s %-11s", key.c_str(), t.prepared.boxes, t.asItIs.line().c_str(),
                    t.prepared.line().c_str(), t.prepared.meetsGoal() ? "met" : "no", t.prepared.time().c_str());
        if (command)
            std::printf("   %-18s   %-4s %s", t.command.line().c_str(), t.command.meetsGoal() ? "met" : "no",
                        t.command.time().c_str());
        std::printf("\n");
    }
    if (command) {
        std::printf("\nslower than the command line: %zu of %zu boxes\n", slower.size(), by["all"].prepared.boxes);
        for (const std::string& line : slower) std::printf("  %s\n", line.c_str());
    }
    std::printf("\n");
    return checkNumbers(numbers, false);
}

// The median time of one prepared recognition of each 400 × 100 crop, and
// the median and slowest of those.
void printSpeed() {
    TesseractEngine engine(false);
    std::vector<double> medians;
    for (const Sample& s : samples()) {
        if (s.image.width != 400 || s.image.height != 100) continue;
        std::vector<double> times;
        for (int i = 0; i < 7; ++i) times.push_back(millisecondsOf([&] { benchmark::DoNotOptimize(engine.read(s.image)); }));
        std::sort(times.begin(), times.end());
        medians.push_back(times[times.size() / 2]);
    }
    if (medians.empty()) return;
    std::sort(medians.begin(), medians.end());
    std::printf("400x100 crops: %zu, median %.1f ms, slowest %.1f ms\n\n", medians.size(),
                medians[medians.size() / 2], medians.back());
}

// The crops 400 points wide (the size the speed goal is stated for).
void recognise(benchmark::State& state, TesseractEngine::Preparation preparation) {
    std::vector<Image> wide;
    for (const Sample& s : samples())
        if (s.image.width == 400) wide.push_back(s.image);
    if (wide.empty()) return state.SkipWithError("no 400-wide crops");
    TesseractEngine engine(false);
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(engine.read(wide[i++ % wide.size()], preparation));
    state.SetLabel(std::to_string(wide.size()) + " crops, " + std::to_string(wide.front().width) + "x" +
                   std::to_string(wide.front().height));
}
BENCHMARK_CAPTURE(recognise, asItIs, TesseractEngine::Preparation::none)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(recognise, prepared, TesseractEngine::Preparation::full)->Unit(benchmark::kMillisecond);

// The preparation alone, on a 400 × 100 crop.
void prepare(benchmark::State& state) {
    Image crop;
    for (const Sample& s : samples())
        if (s.image.width == 400 && s.image.height == 100) crop = s.image;
    if (!crop.isValid()) return state.SkipWithError("no 400x100 crop");
    const GreyPicture grey = toGrey(crop);
    for (auto _ : state) {
        GreyPicture g = grey;
        flattenPills(g);
        prepareForRecognition(g);
        removeCursors(g);
        benchmark::DoNotOptimize(stackRuns(g, textRuns(g)));
    }
}
BENCHMARK(prepare)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first, as the app does: may start the process again
    bool verbose = false, heldOut = false, gate = false, store = false;
    for (int i = 1; i < argc; ++i) {
        verbose |= std::string(argv[i]) == "--misreads";
        heldOut |= std::string(argv[i]) == "--held-out";
        gate |= std::string(argv[i]) == "--gate";
        store |= std::string(argv[i]) == "--store-numbers";
    }
    if (gate || store) return kestrove::gate(store) == 0 ? 0 : 1;
    const std::size_t worse = kestrove::printAccuracy(verbose, heldOut);
    kestrove::printSpeed();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return worse == 0 ? 0 : 1;
}
