#include "app/platform/tesseract/tesseract_engine.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/platform/tesseract/openmp_limit.hpp"
#include "core/reading/text_match.hpp"
#include "support/app/rendered_text.hpp"

using namespace kestrove;
using rendered::Text;

namespace {

std::vector<std::string> normalised(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(TextMatch::normalize(l.text));
    return out;
}

// Kept for the whole run and ended by main(), before Tesseract's own statics.
std::unique_ptr<TesseractEngine> engines[2];

TesseractEngine& engine(bool languageCorrection) {
    auto& e = engines[languageCorrection ? 1 : 0];
    if (!e) e = std::make_unique<TesseractEngine>(languageCorrection);
    return *e;
}

}  // namespace

TEST(TesseractEngine, ReadsRenderedCropsInReadingOrderWithTheirPlaces) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<Text> texts;  // in reading order, one line each
        bool dark = false;
    };
    const std::vector<Case> cases = {
        {"lines below each other", 400, 100, {{"Status: Exporting 42%", 10, 38}, {"Price: 249.99 EUR", 10, 80}}},
        {"two runs on one row", 600, 60, {{"Price €219.50", 10, 38}, {"Qty 3", 480, 38}}},
        {"runs on one row, right one higher", 600, 60, {{"Total", 10, 40}, {"12 items", 400, 36}}},
        {"a table", 500, 120,
         {{"Name", 10, 30, 18}, {"Score", 300, 30, 18}, {"Alice Smith", 10, 70, 18}, {"1,204", 300, 70, 18}}},
        {"a sentence stays whole", 600, 60, {{"The quick brown fox jumps over the lazy dog", 10, 38}}},
        {"a short log", 400, 140,
         {{"12:01 build started", 5, 20, 14}, {"12:02 step 1 of 3", 5, 45, 14}, {"12:03 step 2 of 3", 5, 70, 14},
          {"12:04 done", 5, 95, 14}}},
        {"a lone digit", 120, 120, {{"7", 40, 90, 60}}},
        {"a small box, enlarged", 160, 24, {{"Ready 100%", 4, 18, 16}}},
        {"small text, enlarged", 300, 30, {{"Exported 12 of 40 files", 4, 20, 10}}},
        {"large text, reduced", 800, 140, {{"Sold 42", 10, 110, 110}}},
        {"light on dark", 400, 60, {{"Build failed: 3 errors", 10, 38}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto lines = engine(false).read(rendered::crop(c.width, c.height, c.texts, c.dark));
        std::vector<std::string> expected;
        for (const auto& t : c.texts) expected.push_back(TextMatch::normalize(t.text));
        ASSERT_EQ(normalised(lines), expected);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const NormRect& b = lines[i].box;
            EXPECT_TRUE(b.x >= 0 && b.y >= 0 && b.w > 0 && b.h > 0 && b.x + b.w <= 1 && b.y + b.h <= 1);
            EXPECT_GT(lines[i].confidence, 0.5);
            EXPECT_LE(lines[i].confidence, 1.0);
            // The box lies where the text was drawn, measured from the top.
            const NormRect ink = rendered::inkBox(c.texts[i], c.width, c.height);
            EXPECT_NEAR(b.y + b.h / 2, ink.y + ink.h / 2, 0.1) << lines[i].text;
            EXPECT_NEAR(b.x, ink.x, 0.05) << lines[i].text;
        }
    }
}

TEST(TesseractEngine, PicturesWithoutTextGiveNoLines) {
    EXPECT_TRUE(engine(true).read(rendered::crop(300, 80, {})).empty());
    EXPECT_TRUE(engine(true).read(rendered::crop(40, 10, {})).empty());
    EXPECT_TRUE(engine(true).read(Image()).empty());
    Image broken(100, 50);
    broken.rgba.resize(10);
    EXPECT_TRUE(engine(true).read(broken).empty());
}

TEST(TesseractEngine, LanguageCorrectionOffReadsWithoutTheDictionaries) {
    // A misspelt line: the dictionaries mend some of its words at some sizes;
    // without them the letters are read as drawn.
    int differ = 0;
    for (int size = 8; size <= 14; ++size) {
        const Image picture = rendered::crop(300, 40, {{"Ordcr 1O5 shlpped", 10, 25, size}});
        const auto with = engine(true).read(picture), without = engine(false).read(picture);
        if (normalised(with) != normalised(without)) ++differ;
    }
    EXPECT_GT(differ, 0);
}

TEST(TesseractEngine, WritesNothingToStandardError) {
    const Image text = rendered::crop(300, 60, {{"Estimate this", 10, 38}}), blank = rendered::crop(300, 60, {});
    ::testing::internal::CaptureStderr();
    {
        TesseractEngine fresh(true);
        fresh.read(text);
        fresh.read(blank);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(TesseractEngine, RecognitionRunsOnOneOpenMPThread) {
    EXPECT_STREQ(std::getenv("OMP_THREAD_LIMIT"), "1");
    // What the OpenMP runtime read when it was loaded, before main().
    const auto threadLimit = reinterpret_cast<int (*)()>(::dlsym(RTLD_DEFAULT, "omp_get_thread_limit"));
    ASSERT_NE(threadLimit, nullptr) << "Tesseract comes without OpenMP";
    EXPECT_EQ(threadLimit(), 1);
    // Started again, the process keeps its own name, where ps and pgrep look.
    std::ifstream commFile("/proc/self/comm");
    std::string comm;
    std::getline(commFile, comm);
    const std::string file = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    EXPECT_EQ(comm, file.substr(0, 15));
}

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first: may start the process again
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    for (auto& e : engines) e.reset();
    return failed;
}
