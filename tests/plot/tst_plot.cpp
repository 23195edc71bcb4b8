#include "app/LearningReport.h"
#include "engine/FormulaLibrary.h"
#include "engine/mdMain.h"
#include "melody/MelodyText.h"
#include "plot/CurvePainter.h"
#include "plot/PianoRollPainter.h"
#include "plot/PictureFile.h"
#include "plot/RollData.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTest>

#include <optional>

namespace {

// The roll is painted at 8 pixels a row: the label column, margins of
// 4, 50 rows (codes 49 down to 2, a gap, the pause row), 390 pixels of columns.
constexpr int Width = 420;
constexpr int Height = 408;
constexpr double RowHeight = 8.0;
constexpr double PlotLeft = PianoRollPainter::LabelWidth;

// Columns lie between the labels and the right margin of 4.
double columnX(const QImage& image, int columns, double column) {
    return PlotLeft + column * (image.width() - PlotLeft - 4.0) / columns;
}

QImage render(const RollData& data) {
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    PianoRollPainter::paint(painter, image.rect(), data);
    return image;
}

// The pixel at the middle of a column, a little left of the centre so that a
// prediction's line (at the centre) does not hide it, in the row of `code`.
QColor at(const QImage& image, int columns, int column, int code) {
    const double x = columnX(image, columns, column + 0.3);
    const int row = code <= 1 ? 49 : 49 - std::min(code, 49);
    const double y = 4.0 + (row + 0.5) * RowHeight;
    return image.pixelColor(static_cast<int>(x), static_cast<int>(y));
}

// Whether any pixel of the column has the colour.
bool columnHas(const QImage& image, int columns, int column, const QColor& colour) {
    const int x = static_cast<int>(columnX(image, columns, column + 0.3));
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == colour)
            return true;
    return false;
}

// Whether the pixel in the row of `code` at a column's centre, or its left neighbour, has the colour: a line
// of one pixel at the centre falls on either.
bool onCentreLine(const QImage& image, int columns, int column, int code, const QColor& colour) {
    const int x = static_cast<int>(columnX(image, columns, column + 0.5));
    const int y = static_cast<int>(4 + (49 - code + 0.5) * RowHeight);
    return image.pixelColor(x, y) == colour || image.pixelColor(x - 1, y) == colour;
}

} // namespace

// The melody text parsed into the state, as the session does.
static void parseInto(mdMain& state, std::string_view text) {
    state.MelodyLen = ParseMelodyCodes(text, state.Melody.data(), mdMain::MelodyCapacity).stored - 1;
}

// The beginning of the state's melody, as the session hands it to the roll.
static std::span<const uint8_t> beginningOf(const mdMain& state) {
    return std::span<const uint8_t>(state.Melody).first(static_cast<size_t>(state.MelodyLen + 1));
}

class TestPlot : public QObject {
    Q_OBJECT

private slots:
    void barsInRowAndColumn_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("code");
        // Beginning 2 13 14 49 1 26 60: lowest c, b of octave 1, c of 2, highest b, a pause, c of 3, beyond the grid.
        QTest::newRow("c1") << 0 << 2;
        QTest::newRow("b1") << 1 << 13;
        QTest::newRow("c2") << 2 << 14;
        QTest::newRow("b4") << 3 << 49;
        QTest::newRow("c3") << 5 << 26;
        QTest::newRow("above the grid on top") << 6 << 49;
    }

    void barsInRowAndColumn() {
        QFETCH(int, column);
        QFETCH(int, code);
        RollData data;
        data.beginning = {2, 13, 14, 49, 1, 26, 60};
        const QImage image = render(data);
        QCOMPARE(at(image, 7, column, code), PianoRollPainter::Beginning);
        // Only one bar in the column: the rows next to it are free.
        if (code > 2)
            QVERIFY(at(image, 7, column, code - 1) != PianoRollPainter::Beginning);
        if (code < 49)
            QVERIFY(at(image, 7, column, code + 1) != PianoRollPainter::Beginning);
        QVERIFY(at(image, 7, column + 1 < 7 ? column + 1 : column - 1, code) != PianoRollPainter::Beginning);
        // The pause is a gap.
        QVERIFY(!columnHas(image, 7, 4, PianoRollPainter::Beginning));
    }

    void predictionsRightAndWrong() {
        RollData data;
        data.beginning = {10, 12, 14, 1, 20};
        data.firstWindow = 2;
        data.windows = {{14, 14}, {5, 1}, {25, 20}};
        const QImage image = render(data);
        // Exact: the right colour on the target's bar.
        QCOMPARE(at(image, 5, 2, 14), PianoRollPainter::Right);
        // A note for a pause: wrong in its row, the pause row itself empty, a line between.
        QCOMPARE(at(image, 5, 3, 5), PianoRollPainter::Wrong);
        QVERIFY(at(image, 5, 3, 1) != PianoRollPainter::Beginning);
        QVERIFY(onCentreLine(image, 5, 3, 3, PianoRollPainter::Wrong));
        // Too high by five semitones: wrong above, the target bar below, a line through the rows between.
        QCOMPARE(at(image, 5, 4, 25), PianoRollPainter::Wrong);
        QCOMPARE(at(image, 5, 4, 20), PianoRollPainter::Beginning);
        for (int code = 21; code <= 24; ++code)
            QVERIFY(onCentreLine(image, 5, 4, code, PianoRollPainter::Wrong));
        // The columns before the windows carry no prediction.
        for (int column : {0, 1}) {
            QVERIFY(!columnHas(image, 5, column, PianoRollPainter::Right));
            QVERIFY(!columnHas(image, 5, column, PianoRollPainter::Wrong));
        }
    }

    void continuationAfterBeginning() {
        RollData data;
        data.beginning = {10, 11};
        data.continuation = {12, 1, 14};
        const QImage image = render(data);
        QCOMPARE(at(image, 5, 1, 11), PianoRollPainter::Beginning);
        QCOMPARE(at(image, 5, 2, 12), PianoRollPainter::Continuation);
        QCOMPARE(at(image, 5, 4, 14), PianoRollPainter::Continuation);
        for (int column : {0, 1})
            QVERIFY(!columnHas(image, 5, column, PianoRollPainter::Continuation));
        QVERIFY(!columnHas(image, 5, 2, PianoRollPainter::Beginning));
    }

    // The roll of a melody shows its own range: each row named, pauses marked
    // in their row, codes beyond the rows at the edge with a mark, and a
    // continuation grey once the beginning changed under it.
    void zoomedRoll() {
        mdMain state(FormulaLibrary::loadBesideProgram().value());
        parseInto(state, "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10");
        QCOMPARE(int(RollDataOf(beginningOf(state), {30}, nullptr).high), 32); // a fresh continuation counts
        const RollData data = RollDataOf(beginningOf(state), {60, 0, 30}, nullptr, true);
        QCOMPARE(int(data.low), 2);   // 3 less the margin
        QCOMPARE(int(data.high), 13); // widened to an octave; the stale continuation does not count
        const QImage image = render(data);
        const int rows = data.high - data.low + 3;
        const double rowHeight = (Height - 8.0) / rows;
        const auto pixel = [&](int column, int row, double across = 0.3) {
            const double x = columnX(image, data.columns(), column + across);
            return image.pixelColor(static_cast<int>(x), static_cast<int>(4 + (row + 0.5) * rowHeight));
        };
        // 11 sits two rows below the top (13), 3 one above the bottom note row (2).
        QCOMPARE(pixel(2, 2), PianoRollPainter::Beginning);
        QCOMPARE(pixel(0, 10), PianoRollPainter::Beginning);
        // The pause at column 9: a mark in the last row, nothing in the note rows.
        QCOMPARE(pixel(9, rows - 1), PianoRollPainter::Pause);
        QVERIFY(!columnHas(image, data.columns(), 9, PianoRollPainter::Beginning));
        // 60, beyond the rows: a stale bar in the top row and its mark above it.
        QCOMPARE(pixel(12, 0), PianoRollPainter::Stale);
        QVERIFY(columnHas(image, data.columns(), 12, PianoRollPainter::Beyond) ||
                image.pixelColor(static_cast<int>(columnX(image, data.columns(), 12.5)), 4) ==
                    PianoRollPainter::Beyond);
        QCOMPARE(pixel(13, rows - 1), PianoRollPainter::Stale); // the continuation's pause
        // Every note row and the pause row carry a name: dark pixels in the label column.
        for (int row = 0; row < rows; ++row) {
            if (row == rows - 2)
                continue; // the empty row between the notes and the pauses
            bool named = false;
            for (int x = 1; x < PianoRollPainter::LabelWidth - 2 && !named; ++x)
                for (double y = (row + 0.2) * rowHeight; y < (row + 0.8) * rowHeight && !named; y += 1.0)
                    named = image.pixelColor(x, static_cast<int>(4 + y)).lightness() < 160;
            QVERIFY2(named, qPrintable(QStringLiteral("row %1").arg(row)));
        }
    }

    // On the full grid, rows too low to name each one: every c and each row the melody uses are named, no other.
    void namesOnTheFullGrid() {
        RollData data;
        data.beginning = {10, 20};
        const QImage image = render(data);
        const auto named = [&](int code) {
            const double top = 4 + (49 - code) * RowHeight;
            for (int x = 1; x < PianoRollPainter::LabelWidth - 2; ++x)
                for (double y = top + 1; y < top + RowHeight - 1; y += 1.0)
                    if (image.pixelColor(x, static_cast<int>(y)).lightness() < 160)
                        return true;
            return false;
        };
        for (const int code : {2, 10, 14, 20, 26, 38})
            QVERIFY2(named(code), qPrintable(QString::number(code)));
        for (const int code : {30, 33, 45})
            QVERIFY2(!named(code), qPrintable(QString::number(code)));
    }

    // A point maps back to the column and the row it shows, spare columns included.
    void spots() {
        RollData data;
        data.beginning = {10, 1, 12};
        data.low = 8;
        data.high = 20;
        data.spare = 1;
        const QRect target(0, 0, Width, Height);
        for (int column = 0; column < 4; ++column)
            for (const uint8_t code : {uint8_t{8}, uint8_t{14}, uint8_t{20}, uint8_t{1}}) {
                const QPoint centre = PianoRollPainter::cell(target, data, column, code).center().toPoint();
                const auto spot = PianoRollPainter::spotAt(target, data, centre);
                QVERIFY(spot);
                QCOMPARE(spot->column, column);
                QCOMPARE(int(spot->code), int(code));
            }
        // The empty row above the pauses and the label column are no spot.
        const QRectF gap = PianoRollPainter::cell(target, data, 0, 8).translated(0, (Height - 8.0) / 15);
        QVERIFY(!PianoRollPainter::spotAt(target, data, gap.center().toPoint()));
        QVERIFY(!PianoRollPainter::spotAt(target, data, QPoint(3, 100)));
    }

    // Pictures of melodies that stretch the roll stay whole and draw nothing they should not.
    void awkwardMelodies_data() {
        QTest::addColumn<QByteArray>("melody");
        QTest::addColumn<int>("bars");
        QTest::newRow("empty") << QByteArray() << 0;
        QByteArray long1024;
        for (int i = 0; i < 1024; ++i)
            long1024 += QByteArray::number(2 + i % 48) + ", ";
        QTest::newRow("1024 notes") << long1024 << 1024;
    }

    void awkwardMelodies() {
        QFETCH(QByteArray, melody);
        QFETCH(int, bars);
        RollData data;
        for (const QByteArray& item : melody.split(','))
            if (!item.trimmed().isEmpty())
                data.beginning.push_back(static_cast<uint8_t>(item.trimmed().toInt()));
        QImage image(PianoRollPainter::LabelWidth + 8 + 4 * std::max(data.columns(), 1), Height, QImage::Format_RGB32);
        QPainter painter(&image);
        PianoRollPainter::paint(painter, image.rect(), data);
        painter.end();
        int found = 0;
        for (int column = 0; column < data.columns(); ++column)
            found += columnHas(image, data.columns(), column, PianoRollPainter::Beginning) ? 1 : 0;
        QCOMPARE(found, bars);
    }

    // The report's predictions are placed on the training windows of the beginning, or left out when they do not fit.
    void predictionsOfTheState_data() {
        QTest::addColumn<int>("inputs");
        QTest::addColumn<QString>("melody");
        QTest::addColumn<int>("first");
        QTest::newRow("8 inputs") << 8 << "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10" << 8;
        QTest::newRow("999 inputs, one right-aligned window") << 999 << "3, 8, 11, 3, 8" << 4;
    }

    void predictionsOfTheState() {
        QFETCH(int, inputs);
        QFETCH(QString, melody);
        QFETCH(int, first);
        mdMain state(FormulaLibrary::loadBesideProgram().value());
        state.CreateOutNeuron();
        state.InputCount = inputs;
        state.HiddenCount = 2;
        state.Alpha = 1.0;
        state.SetSeed(3);
        QCOMPARE(state.CreateNS(), ShapeCheck::Buildable);
        parseInto(state, melody.toStdString());
        const app::LearningReport report = app::ScoreWindows(state);
        const RollData data = RollDataOf(beginningOf(state), {5, 6}, &report);
        QCOMPARE(data.firstWindow, first);
        QCOMPARE(data.windows.size(), report.windows.size());
        QCOMPARE(data.columns(), state.MelodyLen + 1 + 2);
        // A report of another beginning is not drawn.
        app::LearningReport other = report;
        other.windows.back().target = static_cast<uint8_t>(other.windows.back().target + 1);
        QVERIFY(RollDataOf(beginningOf(state), {}, &other).windows.empty());
        other.windows.push_back({2, 2});
        QVERIFY(RollDataOf(beginningOf(state), {}, &other).windows.empty());
    }

    void pictureFormats_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("format"); // -1: none
        QTest::newRow("png") << "a/curve.png" << int(PictureFile::Format::Png);
        QTest::newRow("upper case svg") << "roll.SVG" << int(PictureFile::Format::Svg);
        QTest::newRow("gif") << "roll.gif" << -1;
        QTest::newRow("no extension") << "roll" << -1;
        QTest::newRow("dot in a folder only") << "my.png/roll" << -1;
    }

    void pictureFormats() {
        QFETCH(QString, path);
        QFETCH(int, format);
        const std::optional<PictureFile::Format> found = PictureFile::FormatOf(path.toStdString());
        QCOMPARE(found ? int(*found) : -1, format);
    }

    // The curve pictures decode to their size, and the PNG shows both series' colours.
    void curvePictures() {
        const std::vector<app::CurvePoint> curve = {{3.0, 1, 4}, {2.0, 2, 4}, {0.5, 4, 4}};
        const auto paint = [&](QPainter& painter, QRect target) { CurvePainter::paint(painter, target, curve); };
        const std::string png = PictureFile::Render(PictureFile::Format::Png, QSize(400, 200), paint);
        const QImage image = QImage::fromData(QByteArray::fromStdString(png), "PNG");
        QCOMPARE(image.size(), QSize(400, 200));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 60; x < 340; ++x)
                colours.insert(image.pixel(x, y));
        QVERIFY(colours.contains(CurvePainter::Error.rgb()));
        QVERIFY(colours.contains(CurvePainter::Exact.rgb()));
        const std::string svg = PictureFile::Render(PictureFile::Format::Svg, QSize(400, 200), paint);
        QVERIFY(svg.find("</svg>") != std::string::npos);

        // Every click has its point, the first one at the left edge too: the plot
        // area starts at (56, 28) and is 132 high, so 1.5 of 3 semitones lie at
        // y 94 and 3 of 4 windows at y 61.
        QImage first(400, 200, QImage::Format_RGB32);
        QPainter painter(&first);
        CurvePainter::paint(painter, first.rect(), {{1.5, 3, 4}, {3.0, 1, 4}, {0.5, 4, 4}});
        painter.end();
        QCOMPARE(first.pixelColor(57, 94), CurvePainter::Error);
        QCOMPARE(first.pixelColor(57, 61), CurvePainter::Exact);
    }
};

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
