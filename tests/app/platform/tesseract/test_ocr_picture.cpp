// What is done to a picture before Tesseract reads it: dark grounds turned
// light, lines and slivers along the edges painted over; and that crops of
// real programs then read exactly, a terminal's cursor none of their text.

#include "core/ocr/ocr_picture.hpp"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cmath>
#include <string>

#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/tesseract/tesseract_engine.hpp"
#include "core/reading/number_parser.hpp"
#include "support/ocr_drawing.hpp"
#include "support/app/rendered_text.hpp"

using namespace kestrove;

namespace {

// A picture drawn from rows of characters: '.' ground, '#' mark.
GreyPicture drawn(const std::vector<std::string>& rows, std::uint8_t ground = 250, std::uint8_t mark = 20) {
    GreyPicture p{static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), {}};
    for (const std::string& row : rows)
        for (char c : row) p.pixels.push_back(c == '#' ? mark : ground);
    return p;
}

std::vector<std::string> rowsOf(const GreyPicture& p, std::uint8_t ground = 250) {
    std::vector<std::string> out;
    for (int y = 0; y < p.height; ++y) {
        std::string row;
        for (int x = 0; x < p.width; ++x) row += p.pixels[y * p.width + x] == ground ? '.' : '#';
        out.push_back(row);
    }
    return out;
}

}  // namespace

TEST(OcrPicture, DarkGroundsAreTurnedLight) {
    GreyPicture dark = drawn({"........", "..##....", "........"}, 30, 230);
    darkOnLight(dark);
    EXPECT_EQ(groundOf(dark), 225);
    EXPECT_EQ(dark.pixels[2 + 8], 25);
    GreyPicture light = drawn({"........", "..##....", "........"});
    darkOnLight(light);
    EXPECT_EQ(rowsOf(light), (std::vector<std::string>{"........", "..##....", "........"}));
}

TEST(OcrPicture, LinesAndSliversAlongTheEdgesBecomeGround) {
    struct Case {
        const char* what;
        std::vector<std::string> before, after;
    };
    for (const Case& c : std::vector<Case>{
             {"a border along the bottom and one a pixel inside the left edge",
              {"............", ".#..........", ".#..#.#..#..", ".#..###..#..", ".#..#.#..#..", "############"},
              {"............", "............", "....#.#..#..", "....###..#..", "....#.#..#..", "............"}},
             {"the cut-off foot of the line above, parted from the text by a blank row",
              {"..#..#..#...", "............", "....#.#.....", "....###.....", "....#.#.....", "............"},
              {"............", "............", "....#.#.....", "....###.....", "....#.#.....", "............"}},
             {"letters cut by the edge stay: no blank row parts them from the rest",
              {"....#.#.....", "....###.....", "....#.#.....", "....#.#.....", "............", "............"},
              {"....#.#.....", "....###.....", "....#.#.....", "....#.#.....", "............", "............"}},
         }) {
        GreyPicture p = drawn(c.before);
        clearEdgeLines(p, 2);
        EXPECT_EQ(rowsOf(p), c.after) << c.what;
    }
    // An underline deeper in than the reach stays.
    std::vector<std::string> underlined(12, std::string(12, '.'));
    underlined[6] = std::string(12, '#');
    GreyPicture p = drawn(underlined);
    clearEdgeLines(p, 2);
    EXPECT_EQ(rowsOf(p), underlined);
}

TEST(OcrPicture, ADarkPanelOnALightPictureIsTurnedOverAndTextIsNot) {
    // Dark pixels as '#', whatever their grey.
    auto darkOf = [](const GreyPicture& p) { return drawing::rowsOf(p); };
    std::vector<std::string> rows(30, std::string(60, '.'));
    rows[2] = ".#.#.##.#..#.#.##.#.........................................";  // text above
    for (int y = 10; y < 20; ++y) rows[y] = std::string(60, '#');  // the panel...
    rows[14] = "####.#.#..#.################################################";  // ...its light text
    GreyPicture p = drawn(rows);
    lightenDarkPanels(p);
    auto expected = rows;
    for (int y = 10; y < 20; ++y)
        for (char& c : expected[y]) c = c == '#' ? '.' : '#';
    EXPECT_EQ(darkOf(p), expected);
    // Three rows are a rule, not a panel.
    std::vector<std::string> rule(30, std::string(60, '.'));
    for (int y = 10; y < 13; ++y) rule[y] = std::string(60, '#');
    GreyPicture r = drawn(rule);
    lightenDarkPanels(r);
    EXPECT_EQ(darkOf(r), rule);
    // A light panel (a selection) with dark text keeps its text dark: the
    // panel becomes page.
    GreyPicture light = drawn(rows);
    for (int y = 10; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            std::uint8_t& v = light.pixels[static_cast<std::size_t>(y) * 60 + x];
            v = v == 20 ? 190 : 30;
        }
    lightenDarkPanels(light);
    EXPECT_EQ(darkOf(light), expected);
    EXPECT_EQ(light.pixels[10 * 60], 250);
}

TEST(OcrPicture, CropsOfRealProgramsThatMisreadUnpreparedReadExactly) {
    struct Case {
        const char* file;
        const char* truth;
    };
    TesseractEngine engine(false);
    for (const Case& c : std::vector<Case>{
             // An editor's border and cursor at the box's left edge.
             {"gtk-light-editor-balance.png", "Balance due 1,311.50"},
             // A terminal's border one pixel from the text.
             {"term-light-outline-11pt-downloaded.png", "Downloaded 1,234 of 5,678 files"},
             {"term-dark-bitmap-9x15-downloaded.png", "Downloaded 1,234 of 5,678 files"},
             // 11-pixel text in a box of three lines: its 5 read as S.
             {"web-light-block.png", "Delivery in 3 to 5 working days\nOrder #40213 · 3 items\nPrice: $249.99"},
             // A small label beside a large bold red number.
             {"web-colour-price-249.png", "Price: $249"},
             // xterm's own bitmap font, a filled and a hollow cursor after the prompt.
             {"term-bitmap-fixed-filled-cursor.png", "Remaining: 16 files\nGET /api/pay 200 OK\n12:01:21 sync done\n$"},
             {"term-bitmap-fixed-api.png", "GET /api/pay 200 OK"},
             // A bar cursor touching the first letter, and one after the last.
             {"gtk-dark-serif-sync.png", "Next sync in 4 min 30 s"},
             {"gtk-calculator-result.png", "3897"},
             // A middle dot and a multiplication sign.
             {"gtk-dark-serif-battery.png", "Battery 87% · 2 h 15 min left"},
             {"gtk-calculator-expression.png", "1299×3"},
             // Spaces beside numbers narrower than Tesseract's liking.
             {"gtk-light-dialog-sync.png", "Next sync in 4 min 30 s"},
             {"web-colour-blue-on-dark-battery.png", "Battery 87% · 2 h 15 min left"},
             // Bitmap fonts: a clock and a c of the fixed font, 6x13's D and
             // point, 9x15's P after a cursor's top cut by the box.
             {"term-bitmap-fixed-clock.png", "12:01:21 sync done"},
             {"term-light-bitmap-6x13-downloaded.png", "Downloaded 1,234 of 5,678 files"},
             {"term-light-bitmap-6x13-diskfree.png", "Disk free: 12.4 GB"},
             {"term-dark-bitmap-9x15-lines.png", "Downloaded 1,234 of 5,678 files\nElapsed 00:12:45\nProgress: 73%"},
             // A block cursor touching the last letter.
             {"term-light-outline-11pt-diskfree.png", "Disk free: 12.4 GB"},
         }) {
        rendered::ensureApplication();
        const Image crop = imageFromQImage(QImage(QStringLiteral(KESTROVE_OCR_DATA "/") + QLatin1String(c.file)));
        ASSERT_TRUE(crop.isValid()) << c.file;
        std::string read;
        for (const OCRLine& line : engine.read(crop)) read += (read.empty() ? "" : "\n") + line.text;
        EXPECT_EQ(read, c.truth) << c.file;
    }
}

namespace {

// How a line of text is drawn: its family, smoothed or drawn as a bitmap
// font is, dark on light or light on dark.
struct Face {
    const char* family;
    bool smooth = true, dark = false;
};
// Lines of text in one face: each its text (UTF-8), pixel size and baseline.
struct Set {
    const char* text;
    int size, baseline;
};
QImage setLines(const Face& face, const std::vector<Set>& lines) {
    QImage picture(360, 90, QImage::Format_RGB32);
    picture.fill(face.dark ? QColor(30, 30, 30) : QColor(Qt::white));
    QPainter painter(&picture);
    painter.setPen(face.dark ? QColor(220, 220, 220) : QColor(20, 20, 20));
    for (const Set& line : lines) {
        QFont font(QString::fromLatin1(face.family));
        font.setPixelSize(line.size);
        if (!face.smooth) font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.drawText(QPointF(6, line.baseline), QString::fromUtf8(line.text));
    }
    return picture;
}

// The first row with ink and the row after the last.
std::pair<int, int> inkRows(const QImage& q) {
    int first = -1, last = -1;
    for (int y = 0; y < q.height(); ++y)
        for (int x = 0; x < q.width(); ++x)
            if (q.pixel(x, y) != q.pixel(0, 0)) {
                if (first < 0) first = y;
                last = y;
            }
    return {first, last + 1};
}

std::string readingOf(TesseractEngine& engine, const QImage& q) {
    std::string out;
    for (const OCRLine& line : engine.read(imageFromQImage(q))) out += (out.empty() ? "" : "\n") + line.text;
    return out;
}

// Lines as programs show them, each of a kind that has tripped the cut
// rows' rule: capitals and digits only, small letters without ascenders,
// with ascenders, with descenders, a comma the only mark below the line.
const char* const edgeLines[] = {"BACKUP FINISHED AT 04:52", "no new messages", "Disk free: 41 GB",
                                 "Queue #4 ready", "Rent due: \u20AC1,145.00"};
// Their neighbours: capitals, ascenders, and marks reaching above or below
// the letters.
const char* const neighbours[] = {"STATUS: DEGRADED", "Last build 18 min", "Paid $249",
                                  "(3 items)", "Home | Logs", "Jump to page 9"};

class EdgeLines : public ::testing::TestWithParam<Face> {};
void PrintTo(const Face& face, std::ostream* out) { *out << face.family; }

}  // namespace

// A whole line lying on the box's top or bottom edge, beside a neighbour
// line of its face: the tight box reads as the box with one more row of
// ground at that edge. Each face takes every size 10-20 px in turn.
TEST_P(EdgeLines, OneMoreRowOfGroundAtTheEdgeChangesNoReading) {
    rendered::ensureApplication();
    TesseractEngine engine(false);
    const Face face = GetParam();
    int cell = static_cast<int>(face.family[0]) + face.smooth;
    for (const char* line : edgeLines)
        for (const char* neighbour : neighbours)
            for (const bool atTop : {true, false}) {
                const int size = 10 + cell++ % 11, pitch = size * 13 / 10 + 1;
                const Set edge{line, size, atTop ? pitch : 2 * pitch}, other{neighbour, size, atTop ? 2 * pitch : pitch};
                const auto [top, bottom] = inkRows(setLines(face, {edge}));
                const auto [from, to] = inkRows(setLines(face, {other}));
                const QRect tight = atTop ? QRect(0, top, 360, to + 2 - top) : QRect(0, from - 2, 360, bottom - from + 2);
                const QImage both = setLines(face, {edge, other});
                EXPECT_EQ(readingOf(engine, both.copy(tight)),
                          readingOf(engine, both.copy(tight.adjusted(0, atTop ? -1 : 0, 0, atTop ? 0 : 1))))
                    << face.family << (face.smooth ? " " : " unsmoothed ") << size << " px: \"" << line << "\" on the "
                    << (atTop ? "top" : "bottom") << " edge beside \"" << neighbour << "\"";
            }
}

// The line beside the box's line, cut by its edge at a third to two thirds
// of its height, adds nothing: the box reads as with that line not drawn.
TEST_P(EdgeLines, ANeighbourCutAtAThirdToTwoThirdsAddsNothing) {
    rendered::ensureApplication();
    TesseractEngine engine(false);
    const Face face = GetParam();
    int cell = static_cast<int>(face.family[1]) + face.dark;
    for (const char* neighbour : neighbours)
        for (const bool above : {true, false}) {
            const int size = 10 + cell++ % 11, pitch = size * 13 / 10 + 1;
            const Set line{"Queue #4 ready", size, 2 * pitch}, cut{neighbour, size, above ? pitch : 3 * pitch};
            const auto [top, bottom] = inkRows(setLines(face, {line}));
            const auto [from, to] = inkRows(setLines(face, {cut}));
            const QImage with = setLines(face, {line, cut}), without = setLines(face, {line});
            const int height = to - from;
            for (int shown = (height + 2) / 3; 3 * shown < 2 * height; ++shown) {
                const QRect box = above ? QRect(0, to - shown, 360, bottom + 1 - (to - shown))
                                        : QRect(0, top - 1, 360, from + shown - (top - 1));
                EXPECT_EQ(readingOf(engine, with.copy(box)), readingOf(engine, without.copy(box)))
                    << face.family << (face.smooth ? " " : " unsmoothed ") << size << " px: " << shown << " of "
                    << height << " rows of \"" << neighbour << "\" " << (above ? "above" : "below");
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Faces, EdgeLines,
                         ::testing::Values(Face{"DejaVu Sans"}, Face{"DejaVu Serif", true, true}, Face{"Nimbus Sans"},
                                           Face{"DejaVu Sans Mono", true, true}, Face{"DejaVu Sans Mono", false}),
                         [](const auto& info) {
                             std::string name;
                             for (const char* c = info.param.family; *c; ++c)
                                 if (*c != ' ') name += *c;
                             return name + (info.param.smooth ? "" : "Unsmoothed") + (info.param.dark ? "Dark" : "");
                         });

// A caption over large text or a note under it, 0 or 1 pixel from the edge,
// reads as with room round it.
TEST(OcrPicture, ASmallLineAtTheEdgeBesideLargeTextStays) {
    rendered::ensureApplication();
    TesseractEngine engine(false);
    struct Edge {
        const char* family;
        int small, large, gap;
        bool atTop;
    };
    for (const Edge& e : std::vector<Edge>{{"DejaVu Sans", 11, 30, 0, true},
                                           {"DejaVu Serif", 12, 26, 1, true},
                                           {"Nimbus Sans", 10, 34, 0, false},
                                           {"Nimbus Roman", 12, 28, 1, false},
                                           {"URW Gothic", 11, 32, 0, false}}) {
        const QImage picture = setLines(
            {e.family}, {{e.atTop ? "Updated 5 min ago" : "incl. VAT 19%", e.small, e.atTop ? 20 : 70},
                         {"1,284 visitors", e.large, e.atTop ? 56 : 50}});
        const auto [first, end] = inkRows(picture);
        const QRect tight = e.atTop ? QRect(0, first - e.gap, 360, end + 4 - first + e.gap)
                                    : QRect(0, first - 4, 360, end + e.gap - first + 4);
        EXPECT_EQ(readingOf(engine, picture.copy(tight)),
                  readingOf(engine, picture.copy(tight.adjusted(0, e.atTop ? -4 : 0, 0, e.atTop ? 0 : 4))))
            << e.family << " " << e.small << " px, " << e.gap << " px from the edge";
    }
}

// Text on a pill of any hue, light on a mid shade of it and dark on a
// light one, 11 to 16 px, bold and regular, the box round the pill on the
// page or inside it: wherever the same text black on white reads right, it
// gives the same numbers. Coloured things that are no pills read as their
// twins black on white.
TEST(OcrPicture, TextOnAPillOfAnyHueReadsAsBlackOnWhite) {
    rendered::ensureApplication();
    TesseractEngine engine(false);
    auto numbers = [&](const QImage& q, std::string& text) {
        text.clear();
        for (const OCRLine& line : engine.read(imageFromQImage(q))) text += (text.empty() ? "" : "\n") + line.text;
        std::vector<double> out;
        for (const ReadNumber& n : NumberParser::numbers(text, false)) out.push_back(n.value);
        return out;
    };
    const char* const texts[] = {"68%", "3 errors", "3 new", "v1.4.2"};
    int readable = 0;
    for (int size = 11; size <= 16; ++size)
        for (const bool bold : {true, false})
            for (const bool inside : {false, true})
                for (const char* const text : texts) {
                    QFont font(QStringLiteral("DejaVu Sans"));
                    font.setPixelSize(size);
                    font.setBold(bold);
                    const QString s = QString::fromLatin1(text);
                    const QRectF ink = QFontMetricsF(font).tightBoundingRect(s);
                    // Padded as pages pad pills: a third of the size above and below, two thirds beside.
                    const QRectF pill(6, 6, std::ceil(ink.width() + 4 * size / 3.0), std::ceil(ink.height() + 2 * size / 3.0));
                    const QRect box = inside ? pill.toRect().adjusted(1, 1, -1, -1)
                                             : QRect(0, 0, int(pill.right()) + 6, int(pill.bottom()) + 6);
                    auto picture = [&](QColor ground, QColor letters) {
                        QImage q(int(pill.right()) + 12, int(pill.bottom()) + 12, QImage::Format_RGBA8888);
                        q.fill(Qt::white);
                        QPainter painter(&q);
                        painter.setRenderHint(QPainter::Antialiasing);
                        painter.setPen(Qt::NoPen);
                        painter.setBrush(ground);
                        painter.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
                        painter.setFont(font);
                        painter.setPen(letters);
                        painter.drawText(QPointF(pill.left() + 2 * size / 3.0 - ink.left(), pill.top() + size / 3.0 - ink.top()), s);
                        painter.end();
                        return q.copy(box);
                    };
                    std::string read;
                    const std::vector<double> plain = numbers(picture(Qt::white, Qt::black), read);
                    if (read != text) continue;
                    ++readable;
                    for (int hue = 0; hue < 360; hue += 30)
                        for (const bool light : {true, false}) {
                            const QColor ground = QColor::fromHslF(hue / 360.0, 0.7, light ? 0.45 : 0.75);
                            EXPECT_EQ(numbers(picture(ground, light ? QColor(Qt::white) : QColor(32, 32, 32)), read), plain)
                                << text << ", hue " << hue << (light ? ", light " : ", dark ") << size << " px"
                                << (bold ? " bold" : "") << (inside ? ", box inside the pill" : ", box round it") << ": "
                                << read;
                        }
                }
    EXPECT_GE(readable, 72) << "black on white reads too few of the 96 right to judge";
    // Not pills, each read as its twin black on white: a button with a
    // border, a bar filled to mid-label on its track, a selection ending
    // mid-line, one as tight as the letters' tops, one to the line's end (as
    // browsers draw them), a bordered table cell. Text over the fill in the
    // letters' colour, beside it black.
    enum Kind { button, bar, selection, tightSelection, endSelection, cell };
    const std::pair<Kind, const char*> others[] = {{button, "Deploy 14 changes"},
                                                   {bar, "Copying 31%"},
                                                   {selection, "Selected rows: 27 of 140"},
                                                   {tightSelection, "Balance $1,204.50 today"},
                                                   {endSelection, "Balance $1,204.50"},
                                                   {cell, "Failed 12"}};
    for (const auto& [kind, text] : others)
        for (int size = 12; size <= 16; size += 2) {
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(size);
            const QString s = QString::fromLatin1(text);
            const QFontMetricsF metrics(font);
            const QRectF ink = metrics.tightBoundingRect(s);
            const QRectF frame(12, 12, std::ceil(ink.width() + 4 * size / 3.0), std::ceil(ink.height() + 2 * size / 3.0));
            const QPointF at(frame.left() + 2 * size / 3.0 - ink.left(), frame.top() + size / 3.0 - ink.top());
            auto advance = [&](qsizetype chars) { return at.x() + metrics.horizontalAdvance(s.left(chars)); };
            const bool amount = kind == tightSelection || kind == endSelection;
            const double from = amount ? advance(s.indexOf(QLatin1Char('$'))) : advance(s.indexOf(QLatin1Char(':')) + 2),
                         to = kind == tightSelection ? advance(s.indexOf(QLatin1String(" today")))
                              : kind == endSelection ? advance(s.size())
                                                     : advance(s.size() - 2);
            const double top = kind == tightSelection ? std::round(at.y() + ink.top()) : frame.top() + 2;
            const QRectF fill = kind == bar ? QRectF(frame.left(), frame.top(), std::round(frame.width() * 0.6), frame.height())
                                : kind == selection || amount
                                    ? QRectF(std::round(from), top, std::round(to - from), frame.bottom() - 2 - top)
                                    : frame;
            auto picture = [&](QColor ground, QColor letters, QColor track) {
                QImage q(int(frame.right()) + 12, int(frame.bottom()) + 12, QImage::Format_RGBA8888);
                q.fill(Qt::white);
                QPainter painter(&q);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(kind == button || kind == cell ? QPen(ground == track ? ground : ground.darker(130), 1)
                                                               : QPen(Qt::NoPen));
                painter.setBrush(track);
                if (kind == bar) painter.drawRoundedRect(frame, 3, 3);
                painter.setBrush(ground);
                if (kind == button) painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
                else if (kind == cell) painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
                else painter.drawRoundedRect(fill, kind == bar ? 3 : 0, kind == bar ? 3 : 0);
                painter.setFont(font);
                painter.setPen(Qt::black);
                painter.drawText(at, s);
                painter.setClipRect(fill);
                painter.setPen(letters);
                painter.drawText(at, s);
                painter.end();
                return q;
            };
            std::string twin, read;
            numbers(picture(Qt::white, Qt::black, Qt::white), twin);
            for (int hue = 0; hue < 360; hue += 120)
                for (const bool light : {true, false}) {
                    if (light && kind == tightSelection) continue;  // white letters this tight still misread
                    const QColor ground = QColor::fromHslF(hue / 360.0, 0.7, light ? 0.45 : 0.75);
                    numbers(picture(ground, light ? QColor(Qt::white) : QColor(32, 32, 32), QColor(225, 225, 225)), read);
                    EXPECT_EQ(read, twin) << text << ", hue " << hue << (light ? ", light " : ", dark ") << size << " px";
                }
        }
}

// A terminal's prompt line holding only its cursor, as xterm draws it in
// its font "fixed": focused (filled), not focused (hollow), as an underline
// and as a bar. Wherever a box cuts it, each reads as the cursor blinked
// off reads: the cursor is no text and no line.
TEST(OcrCursors, APromptLineHoldingOnlyTheCursorReadsAsWithTheCursorBlinkedOff) {
    rendered::ensureApplication();
    auto picture = [](const char* name) {
        return QImage(QStringLiteral(KESTROVE_OCR_DATA "/term-bitmap-fixed-prompt-") + QLatin1String(name) +
                      QStringLiteral(".png"));
    };
    const QImage off = picture("hidden");
    ASSERT_FALSE(off.isNull());
    // The crops are 200 × 60: lines of 13 pixels from row 2, the cursor in
    // columns 2-7 and rows 28-40.
    std::vector<std::pair<std::string, QRect>> boxes{{"whole", {0, 0, 200, 60}}, {"the prompt line", {0, 25, 200, 20}}};
    for (int x = 3; x <= 7; ++x) {
        boxes.push_back({"left edge at " + std::to_string(x), {x, 0, 200 - x, 60}});
        boxes.push_back({"prompt line, left edge at " + std::to_string(x), {x, 25, 200 - x, 20}});
    }
    for (int y = 29; y <= 36; ++y) {
        boxes.push_back({"top edge at " + std::to_string(y), {0, y, 200, 60 - y}});
        boxes.push_back({"top edge at " + std::to_string(y) + ", bottom at the cursor's", {0, y, 200, 41 - y}});
    }
    for (int y = 31; y <= 40; ++y) {
        boxes.push_back({"bottom edge at " + std::to_string(y), {0, 0, 200, y}});
        boxes.push_back({"prompt line, bottom edge at " + std::to_string(y), {0, 25, 200, y - 25}});
    }
    TesseractEngine engine(true);
    auto read = [&](const QImage& q) {
        std::vector<std::string> out;
        for (const OCRLine& line : engine.read(imageFromQImage(q))) out.push_back(line.text);
        return out;
    };
    for (const char* cursor : {"filled", "hollow", "underline", "bar"}) {
        const QImage shown = picture(cursor);
        ASSERT_FALSE(shown.isNull()) << cursor;
        for (const auto& [what, box] : boxes)
            EXPECT_EQ(read(shown.copy(box)), read(off.copy(box))) << cursor << ", " << what;
    }
}

// Recognition runs as in the application: without the thread limit every
// read spreads over all cores and, beside other work, took minutes.
int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first: may start the process again
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
