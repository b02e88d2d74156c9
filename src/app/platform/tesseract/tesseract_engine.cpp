#include "app/platform/tesseract/tesseract_engine.hpp"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>

#include "core/ocr/ocr_badges.hpp"
#include "core/ocr/ocr_cursors.hpp"
#include "core/ocr/ocr_enlarging.hpp"
#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_mending.hpp"
#include "core/ocr/ocr_picture.hpp"
#include "core/ocr/ocr_second_look.hpp"
#include "core/ocr/ocr_separators.hpp"
#include "core/ocr/ocr_signs.hpp"
#include "core/ocr/ocr_spacing.hpp"
#include "core/foundation/log.hpp"
#include "core/reading/reading_order.hpp"

namespace kestrove {

namespace {

PixelBox boxOf(const tesseract::PageIterator& it, tesseract::PageIteratorLevel level) {
    PixelBox b;
    it.BoundingBox(level, &b.left, &b.top, &b.right, &b.bottom);
    return b;
}

std::string textOf(const tesseract::LTRResultIterator& it, tesseract::PageIteratorLevel level) {
    std::unique_ptr<char[]> text(it.GetUTF8Text(level));
    return text ? std::string(text.get()) : std::string();
}

std::vector<EngineSymbol> symbolsOf(const tesseract::ResultIterator& word) {
    std::vector<EngineSymbol> symbols;
    tesseract::ResultIterator symbol(word);
    do {
        if (symbol.Empty(tesseract::RIL_SYMBOL)) continue;
        symbols.push_back({textOf(symbol, tesseract::RIL_SYMBOL), boxOf(symbol, tesseract::RIL_SYMBOL),
                           symbol.Confidence(tesseract::RIL_SYMBOL)});
    } while (!symbol.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) && symbol.Next(tesseract::RIL_SYMBOL));
    return symbols;
}

// The lines found; with the picture they were read from, words are parted
// where the picture shows a space the engine left out.
std::vector<EngineLine> engineLines(tesseract::TessBaseAPI& api, const GreyPicture* picture) {
    std::vector<EngineLine> lines;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it || it->Empty(tesseract::RIL_TEXTLINE)) return lines;
    const int ground = picture ? groundOf(*picture) : 0;
    do {
        EngineLine line{textOf(*it, tesseract::RIL_TEXTLINE), boxOf(*it, tesseract::RIL_TEXTLINE),
                        it->Confidence(tesseract::RIL_TEXTLINE), {}};
        tesseract::ResultIterator word(*it);
        do {
            if (word.Empty(tesseract::RIL_WORD)) continue;
            line.words.push_back({textOf(word, tesseract::RIL_WORD), boxOf(word, tesseract::RIL_WORD),
                                  word.Confidence(tesseract::RIL_WORD), symbolsOf(word)});
        } while (!word.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) &&
                 word.Next(tesseract::RIL_WORD));
        if (picture) {
            mendSeparators(line, *picture, ground);
            partAtSpaces(line, *picture, ground);
        }
        mendLoneDots(line);
        lines.push_back(std::move(line));
    } while (it->Next(tesseract::RIL_TEXTLINE));
    return lines;
}

}  // namespace

TesseractEngine::TesseractEngine(bool languageCorrection) {
    // Its chatter ("Estimating resolution as …") goes to debug_file, not to
    // our standard error; a fixed resolution skips the estimate altogether.
    std::vector<std::string> names{"debug_file", "user_defined_dpi"};
    std::vector<std::string> values{"/dev/null", "96"};
    if (!languageCorrection) {
        // lstm_use_matrix decides whether the LSTM model gets its word lists;
        // the load_*_dawg switches only reach the older classifier's.
        for (const char* name : {"lstm_use_matrix", "load_system_dawg", "load_freq_dawg", "load_punc_dawg",
                                 "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"}) {
            names.emplace_back(name);
            values.emplace_back("0");
        }
    }
    // Init writes Tesseract's process-wide settings (debug_file among them).
    static std::mutex initialising;
    std::lock_guard lock(initialising);
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) {
        logLine("text recognition unavailable: Tesseract could not load its English model");
        return;
    }
    // One block of text of any layout: the automatic layout analysis drops
    // lone digits and the later lines of short logs in small boxes.
    api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    api_ = std::move(api);
}

TesseractEngine::~TesseractEngine() = default;

std::vector<EngineLine> TesseractEngine::readStack(const Stacked& stacked) {
    const GreyPicture& p = stacked.picture;
    api_->SetImage(p.pixels.data(), p.width, p.height, 1, p.width);
    std::vector<EngineLine> found;
    if (api_->Recognize(nullptr) == 0) found = engineLines(*api_, &p);
    return found;
}

std::vector<OCRLine> TesseractEngine::read(const Image& image, Preparation preparation) {
    if (!api_ || !image.isValid()) return {};
    GreyPicture grey = toGrey(image);
    std::vector<OCRLine> lines;
    if (preparation == Preparation::none) {
        api_->SetImage(grey.pixels.data(), grey.width, grey.height, 1, grey.width);
        if (api_->Recognize(nullptr) == 0) lines = toOCRLines(engineLines(*api_, nullptr), grey.width, grey.height);
    } else {
        flattenPills(grey);
        removeBlockCursors(grey);
        prepareForRecognition(grey);
        removeCursors(grey);
        const std::vector<Band> mayBeCut = clearCutRows(grey);
        const std::vector<InkRun> runs = textRuns(grey);
        if (runs.empty()) return {};
        const int ground = groundOf(grey);  // mending a cross paints ground: it stays the ground
        for (const InkRun& run : runs)
            if (drawnWithoutSmoothing(grey, run.ink, ground))
                mendCrossDots(grey, {run.ink.left, run.bandTop, run.ink.right, run.bandBottom}, ground);
        const Stacked stacked = stackRuns(grey, runs);
        std::vector<EngineLine> found = readStack(stacked);
        dropCutLines(found, stacked, grey, runs, mayBeCut);
        if (const std::vector<std::size_t> unsure = unsureRuns(found, stacked); !unsure.empty()) {
            const Restacked smaller = smallerStack(grey, runs, unsure);
            keepSurer(found, stacked, unsure, readStack(smaller.stacked), smaller);
        }
        mendBitmapLines(found, stacked);
        mendMinusSigns(found, stacked);
        lines = toOCRLines(unstack(found, runs, stacked), grey.width, grey.height);
    }
    api_->Clear();
    mendReading(lines);
    sortInReadingOrder(lines);
    return lines;
}

}  // namespace kestrove
