#include "plot/PianoRollPainter.h"

#include "melody/NoteCodes.h"

#include <QPainter>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {

constexpr int LowestCode = 2;
constexpr int Margin = 4;

const QColor Background{252, 252, 252};
const QColor BlackKeyRow{236, 238, 242};
const QColor OctaveLine{170, 175, 185};
const QColor LabelColour{60, 60, 60};

// The note rows, an empty row that keeps the lowest name and "p" apart, and the pause row.
int rowsOf(const RollData& data) {
    return data.high - data.low + 1 + 2;
}

// Row of a code counted from the top: data.high on top, the pause row last;
// codes beyond the rows in the edge row on their side.
int rowOf(const RollData& data, uint8_t code) {
    if (code < LowestCode)
        return rowsOf(data) - 1;
    return data.high - std::clamp<int>(code, data.low, data.high);
}

bool beyond(const RollData& data, uint8_t code) {
    return code >= LowestCode && (code < data.low || code > data.high);
}

bool isBlackKey(int code) {
    const int semitone = (code - LowestCode) % 12;
    return semitone == 1 || semitone == 3 || semitone == 6 || semitone == 8 || semitone == 10;
}

QRectF plotArea(QRect target) {
    return QRectF(target).adjusted(PianoRollPainter::LabelWidth, Margin, -Margin, -Margin);
}

// The row names: every row when rows are tall, else every c and each row
// the melody uses, where its name does not run into the one above.
void paintNames(QPainter& painter, QRect target, const RollData& data, double rowHeight) {
    bool used[256] = {};
    for (const auto* part : {&data.beginning, &data.continuation})
        for (const uint8_t code : *part)
            used[code] = true;
    const bool all = rowHeight >= PianoRollPainter::NamedRowHeight;
    const double area = plotArea(target).top();
    double free = target.top();
    painter.setPen(LabelColour);
    for (int code = data.high; code >= 0; --code) {
        const bool pause = code == 1;
        if (code == 0 || (code < data.low && !pause))
            continue;
        const bool c = !pause && (code - LowestCode) % 12 == 0;
        if (!pause && !all && !c && !used[code])
            continue;
        const double centre = area + (rowOf(data, static_cast<uint8_t>(code)) + 0.5) * rowHeight;
        const double height = std::min(14.0, std::max(rowHeight, 9.0));
        const QRectF label(target.left() + 2, centre - height / 2, PianoRollPainter::LabelWidth - 4, height);
        if (label.top() < free - 0.5)
            continue;
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(NoteLabel(static_cast<uint8_t>(code))));
        free = label.bottom();
    }
}

// A small triangle at the outer edge of a bar whose code lies beyond the rows shown.
void paintBeyondMark(QPainter& painter, const QRectF& bar, bool above) {
    const double w = std::max(2.0, bar.width() / 2), x = bar.center().x(), h = std::max(2.0, bar.height() / 2);
    const double edge = above ? bar.top() : bar.bottom();
    const double tip = above ? edge - h : edge + h;
    painter.setPen(Qt::NoPen);
    painter.setBrush(PianoRollPainter::Beyond);
    painter.drawPolygon(QPolygonF({QPointF(x - w / 2, edge), QPointF(x + w / 2, edge), QPointF(x, tip)}));
    painter.setBrush(Qt::NoBrush);
}

} // namespace

QRectF PianoRollPainter::cell(QRect target, const RollData& data, int32_t column, uint8_t code) {
    const QRectF area = plotArea(target);
    const double width = area.width() / std::max(data.laidOut(), 1);
    const double height = area.height() / rowsOf(data);
    return QRectF(area.left() + column * width, area.top() + rowOf(data, code) * height, width, height);
}

std::optional<PianoRollPainter::Spot> PianoRollPainter::spotAt(QRect target, const RollData& data, QPoint point) {
    const QRectF area = plotArea(target);
    const int32_t columns = data.laidOut();
    if (columns <= 0 || !area.contains(point))
        return std::nullopt;
    const auto column = static_cast<int32_t>((point.x() - area.left()) / (area.width() / columns));
    const auto row = static_cast<int>((point.y() - area.top()) / (area.height() / rowsOf(data)));
    if (column >= columns || row >= rowsOf(data))
        return std::nullopt;
    if (row == rowsOf(data) - 1)
        return Spot{column, 1};
    if (row > data.high - data.low)
        return std::nullopt;
    return Spot{column, static_cast<uint8_t>(data.high - row)};
}

namespace {

// The pitch grid: black-key rows shaded, a line under every c and above the
// pause row; then the row names.
void paintGrid(QPainter& painter, QRect target, const RollData& data, double rowHeight) {
    const QRectF area = plotArea(target);
    QFont font = painter.font();
    font.setPixelSize(std::clamp(static_cast<int>(rowHeight * 1.8), 8, 12));
    painter.setFont(font);
    for (int code = data.low; code <= data.high; ++code) {
        const QRectF row(area.left(), area.top() + rowOf(data, static_cast<uint8_t>(code)) * rowHeight, area.width(),
                         rowHeight);
        if (isBlackKey(code))
            painter.fillRect(row, BlackKeyRow);
        if ((code - LowestCode) % 12 == 0) {
            painter.setPen(OctaveLine);
            painter.drawLine(QPointF(target.left(), row.bottom()), QPointF(area.right(), row.bottom()));
        }
    }
    const double pauseTop = area.top() + (rowsOf(data) - 1) * rowHeight;
    painter.setPen(OctaveLine);
    painter.drawLine(QPointF(target.left(), pauseTop), QPointF(area.right(), pauseTop));
    paintNames(painter, target, data, rowHeight);
}

// The columns to draw: those the painter's clip lets through, and the bars' gap.
struct Columns {
    int32_t from = 0;
    int32_t to = 0;
    double gap = 0.0;
};

Columns columnsToDraw(const QPainter& painter, QRect target, const RollData& data) {
    const QRectF area = plotArea(target);
    const double width = area.width() / data.laidOut();
    Columns shown{0, data.columns() - 1, width >= PianoRollPainter::GapFromWidth ? 1.0 : 0.0};
    if (painter.hasClipping()) {
        const QRectF clip = painter.clipBoundingRect();
        shown.from = std::max(0, static_cast<int32_t>(std::floor((clip.left() - area.left()) / width)) - 1);
        shown.to = std::min(shown.to, static_cast<int32_t>(std::ceil((clip.right() - area.left()) / width)) + 1);
    }
    return shown;
}

QRectF bar(QRect target, const RollData& data, const Columns& shown, int32_t column, uint8_t code) {
    return PianoRollPainter::cell(target, data, column, code).adjusted(0, 0, -shown.gap, 0);
}

// The notes of the beginning and the continuation: bars, and marks of a
// third of the row's height in the pause row.
void paintNotes(QPainter& painter, QRect target, const RollData& data, const Columns& shown) {
    const auto beginningCount = static_cast<int32_t>(data.beginning.size());
    for (int32_t column = shown.from; column <= shown.to; ++column) {
        const bool inBeginning = column < beginningCount;
        const uint8_t code = inBeginning ? data.beginning[static_cast<size_t>(column)]
                                         : data.continuation[static_cast<size_t>(column - beginningCount)];
        const QColor colour = inBeginning              ? PianoRollPainter::Beginning
                              : data.continuationStale ? PianoRollPainter::Stale
                                                       : PianoRollPainter::Continuation;
        const QRectF place = bar(target, data, shown, column, code);
        if (code < LowestCode) {
            const QRectF mark = place.adjusted(0, place.height() / 3, 0, -place.height() / 3);
            painter.fillRect(mark, inBeginning ? PianoRollPainter::Pause : colour);
            continue;
        }
        painter.fillRect(place, colour);
        if (beyond(data, code))
            paintBeyondMark(painter, place, code > data.high);
    }
}

// Predictions: a bar of half the column's width in the predicted row, joined
// by a line to the edge of its target when it is wrong.
void paintPredictions(QPainter& painter, QRect target, const RollData& data, const Columns& shown) {
    const auto beginningCount = static_cast<int32_t>(data.beginning.size());
    const auto windows = static_cast<int32_t>(data.windows.size());
    for (int32_t k = std::max(0, shown.from - data.firstWindow); k < windows; ++k) {
        const int32_t column = data.firstWindow + k;
        if (column > shown.to || column >= beginningCount)
            break;
        const app::WindowResult& window = data.windows[static_cast<size_t>(k)];
        const bool exact = window.predicted == window.target;
        const QRectF predicted = bar(target, data, shown, column, window.predicted);
        const QRectF inner = predicted.adjusted(predicted.width() / 4, 0, -predicted.width() / 4, 0);
        painter.fillRect(inner, exact ? PianoRollPainter::Right : PianoRollPainter::Wrong);
        if (beyond(data, window.predicted))
            paintBeyondMark(painter, inner, window.predicted > data.high);
        if (!exact) {
            const QRectF aim = bar(target, data, shown, column, window.target);
            const double x = inner.center().x();
            const bool above = predicted.top() < aim.top();
            painter.setPen(QPen(PianoRollPainter::Wrong, 1));
            painter.drawLine(QPointF(x, above ? predicted.bottom() : predicted.top()),
                             QPointF(x, above ? aim.top() : aim.bottom()));
        }
    }
}

} // namespace

void PianoRollPainter::paint(QPainter& painter, QRect target, const RollData& data) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(target, Background);
    const QRectF area = plotArea(target);
    paintGrid(painter, target, data, area.height() / rowsOf(data));
    if (data.columns() == 0) {
        painter.restore();
        return;
    }
    const Columns shown = columnsToDraw(painter, target, data);
    paintNotes(painter, target, data, shown);
    paintPredictions(painter, target, data, shown);

    // Where the continuation starts.
    const auto beginningCount = static_cast<int32_t>(data.beginning.size());
    if (!data.continuation.empty() && beginningCount > 0) {
        const double x = area.left() + beginningCount * (area.width() / data.laidOut());
        painter.setPen(QPen(data.continuationStale ? Stale : Continuation, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    painter.restore();
}
