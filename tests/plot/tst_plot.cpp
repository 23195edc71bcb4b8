#include "app/LearningReport.h"
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

// The full grid is painted at 8 pixels a row: margins of 4, 50 rows (codes 49
// down to 2, a gap, the pause row), 386 pixels of columns after the labels.
constexpr int Width = 420;
constexpr int Height = 408;

QImage render(const RollData& data) {
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    PianoRollPainter::paint(painter, image.rect(), data);
    return image;
}

// The x of a place in a column; columns lie between the labels and the right margin of 4.
int columnX(int columns, double column) {
    return static_cast<int>(PianoRollPainter::LabelWidth +
                            column * (Width - PianoRollPainter::LabelWidth - 4.0) / columns);
}

// The row of a code on the full grid, counted from the top: codes beyond it at the edge, pauses last.
int gridRow(int code) {
    return code <= 1 ? 49 : 49 - std::min(code, 49);
}

// The pixel in `row` of `rows` a little left of the column's centre, so that
// a prediction's line (at the centre) does not hide it.
QColor at(const QImage& image, int columns, int column, int row, int rows = 50, double across = 0.3) {
    return image.pixelColor(columnX(columns, column + across),
                            static_cast<int>(4 + (row + 0.5) * (Height - 8.0) / rows));
}

// Whether any pixel of the column has the colour.
bool columnHas(const QImage& image, int columns, int column, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(columnX(columns, column + 0.3), y) == colour)
            return true;
    return false;
}

// Whether the label column is dark somewhere in the middle of `row` of `rows`: the row has a name.
bool named(const QImage& image, int row, int rows) {
    const double height = (Height - 8.0) / rows;
    for (int x = 1; x < PianoRollPainter::LabelWidth - 2; ++x)
        for (double y = (row + 0.2) * height; y < (row + 0.8) * height; y += 1.0)
            if (image.pixelColor(x, static_cast<int>(4 + y)).lightness() < 160)
                return true;
    return false;
}

// On the full grid: the lowest c, c of 2, the highest b, a code above the grid, a
// pause, c of 3 and 20; predictions for the last three (a note for the pause,
// exact, five semitones high); a continuation with a pause.
RollData FullGrid() {
    return {.beginning = {2, 14, 49, 60, 1, 26, 20},
            .continuation = {12, 1, 14},
            .firstWindow = 4,
            .windows = {{5, 1}, {26, 26}, {25, 20}}};
}

} // namespace

class TestPlot : public QObject {
    Q_OBJECT

private slots:
    void rollCells_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("code");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("shown");
        QTest::newRow("lowest c") << 0 << 2 << PianoRollPainter::Beginning << true;
        QTest::newRow("c2") << 1 << 14 << PianoRollPainter::Beginning << true;
        QTest::newRow("a bar is one row high: below") << 1 << 13 << PianoRollPainter::Beginning << false;
        QTest::newRow("a bar is one row high: above") << 1 << 15 << PianoRollPainter::Beginning << false;
        QTest::newRow("a bar is one column wide") << 2 << 14 << PianoRollPainter::Beginning << false;
        QTest::newRow("highest b") << 2 << 49 << PianoRollPainter::Beginning << true;
        QTest::newRow("above the grid on top") << 3 << 49 << PianoRollPainter::Beginning << true;
        QTest::newRow("pause marked in its row") << 4 << 1 << PianoRollPainter::Pause << true;
        QTest::newRow("note for a pause: wrong") << 4 << 5 << PianoRollPainter::Wrong << true;
        QTest::newRow("exact") << 5 << 26 << PianoRollPainter::Right << true;
        QTest::newRow("too high: wrong above") << 6 << 25 << PianoRollPainter::Wrong << true;
        QTest::newRow("too high: the target below") << 6 << 20 << PianoRollPainter::Beginning << true;
        QTest::newRow("continuation") << 7 << 12 << PianoRollPainter::Continuation << true;
        QTest::newRow("continuation's pause") << 8 << 1 << PianoRollPainter::Continuation << true;
        QTest::newRow("continuation's last") << 9 << 14 << PianoRollPainter::Continuation << true;
    }

    void rollCells() {
        QFETCH(int, column);
        QFETCH(int, code);
        QFETCH(QColor, colour);
        QTEST(at(render(FullGrid()), 10, column, gridRow(code)) == colour, "shown");
    }

    // Predictions only in the windows' columns, joined to their targets by a
    // line; the beginning's colour nowhere in pauses and the continuation; every
    // c and each row used named, no other row.
    void rollColumnsAndNames() {
        const QImage image = render(FullGrid());
        for (int column = 0; column < 10; ++column) {
            QCOMPARE(columnHas(image, 10, column, PianoRollPainter::Right), column == 5);
            QCOMPARE(columnHas(image, 10, column, PianoRollPainter::Wrong), column == 4 || column == 6);
            QCOMPARE(columnHas(image, 10, column, PianoRollPainter::Continuation), column >= 7);
            // The exact prediction covers its target's bar.
            QCOMPARE(columnHas(image, 10, column, PianoRollPainter::Beginning),
                     column < 7 && column != 4 && column != 5);
        }
        for (const auto& [column, code] : {std::pair{4, 3}, {6, 21}, {6, 22}, {6, 23}, {6, 24}}) {
            const int x = columnX(10, column + 0.5), y = 4 + 8 * gridRow(code) + 4;
            QVERIFY(image.pixelColor(x, y) == PianoRollPainter::Wrong ||
                    image.pixelColor(x - 1, y) == PianoRollPainter::Wrong);
        }
        for (const int code : {2, 14, 20, 26, 38, 30, 33, 45})
            QVERIFY2(named(image, gridRow(code), 50) == (code % 12 == 2 || code == 20),
                     qPrintable(QString::number(code)));
    }

    // The roll of a melody shows its own range: each row named, pauses marked
    // in their row, codes beyond the rows at the edge with a mark, and a
    // continuation grey once the beginning changed under it.
    void zoomedRoll() {
        const std::vector<uint8_t> melody = {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};
        QCOMPARE(int(RollDataOf(melody, {30}, nullptr).high), 32); // a fresh continuation counts
        const RollData data = RollDataOf(melody, {60, 0, 30}, nullptr, true);
        QCOMPARE(int(data.low), 2);   // 3 less the margin
        QCOMPARE(int(data.high), 13); // widened to an octave; the stale continuation does not count
        const QImage image = render(data);
        const int rows = data.high - data.low + 3;
        // 11 sits two rows below the top (13), 3 one above the bottom note row (2).
        QCOMPARE(at(image, 15, 2, 2, rows), PianoRollPainter::Beginning);
        QCOMPARE(at(image, 15, 0, 10, rows), PianoRollPainter::Beginning);
        QCOMPARE(at(image, 15, 9, rows - 1, rows), PianoRollPainter::Pause);
        // 60, beyond the rows: a stale bar in the top row and its mark above it.
        QCOMPARE(at(image, 15, 12, 0, rows), PianoRollPainter::Stale);
        QCOMPARE(image.pixelColor(columnX(15, 12.5), 2), PianoRollPainter::Beyond);
        QCOMPARE(at(image, 15, 13, rows - 1, rows), PianoRollPainter::Stale); // the continuation's pause
        for (int row = 0; row < rows; ++row)
            QVERIFY2(named(image, row, rows) == (row != rows - 2), qPrintable(QString::number(row)));
    }

    // A point maps back to the column and the row it shows, spare columns included.
    void spots() {
        const RollData data{
            .beginning = {10, 1, 12}, .continuation = {}, .windows = {}, .low = 8, .high = 20, .spare = 1};
        const QRect target(0, 0, Width, Height);
        for (int column = 0; column < 4; ++column)
            for (const uint8_t code : {uint8_t{8}, uint8_t{14}, uint8_t{20}, uint8_t{1}}) {
                const auto spot = PianoRollPainter::spotAt(
                    target, data, PianoRollPainter::cell(target, data, column, code).center().toPoint());
                QVERIFY(spot && spot->column == column && spot->code == code);
            }
        // The empty row above the pauses and the label column are no spot.
        const QRectF gap = PianoRollPainter::cell(target, data, 0, 8).translated(0, (Height - 8.0) / 15);
        QVERIFY(!PianoRollPainter::spotAt(target, data, gap.center().toPoint()));
        QVERIFY(!PianoRollPainter::spotAt(target, data, QPoint(3, 100)));
    }

    // A report's predictions are placed on the windows of the beginning, or left out when they do not fit it.
    void predictionsOfAReport() {
        const std::vector<uint8_t> beginning = {3, 8, 11, 3, 8};
        const struct {
            int32_t first;
            std::vector<app::WindowResult> windows;
            bool placed;
        } rows[] = {
            {2, {{11, 11}, {2, 3}, {9, 8}}, true}, {0, {{3, 3}}, true},   {2, {{11, 11}, {2, 3}, {9, 9}}, false},
            {3, {{3, 3}, {8, 8}, {2, 2}}, false},  {-1, {{3, 3}}, false}, {2, {}, false},
        };
        for (const auto& row : rows) {
            const app::LearningReport report{.windows = row.windows, .firstWindow = row.first};
            const RollData data = RollDataOf(beginning, {5, 6}, &report);
            QCOMPARE(data.columns(), 7);
            QCOMPARE(data.windows.size(), row.placed ? row.windows.size() : 0u);
            QCOMPARE(data.firstWindow, row.placed ? row.first : 0);
        }
        QVERIFY(RollDataOf(beginning, {}, nullptr).windows.empty());
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
        const std::optional<PictureFile::Format> found = PictureFile::FormatOf(path.toStdString());
        QTEST(found ? int(*found) : -1, "format");
    }

    // The curve pictures decode to their size, and the PNG shows both series' colours;
    // a picture that cannot be made is no bytes.
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
        QVERIFY(colours.contains(CurvePainter::Error.rgb()) && colours.contains(CurvePainter::Exact.rgb()));
        QVERIFY(PictureFile::Render(PictureFile::Format::Svg, QSize(400, 200), paint).ends_with("</svg>\n"));
        QVERIFY(PictureFile::Render(PictureFile::Format::Png, QSize(0, 0), paint).empty());

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
