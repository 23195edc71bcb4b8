#include "plot/PianoRollPainter.h"

#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {

constexpr int LowestCode = 2;
constexpr int HighestCode = 49;
// Four octaves, an empty row, and the pause row at the bottom; the empty
// row keeps the names "c1" and "p" apart.
constexpr int Rows = HighestCode + 1;
constexpr int Margin = 4;

const QColor Background{252, 252, 252};
const QColor BlackKeyRow{236, 238, 242};
const QColor OctaveLine{170, 175, 185};
const QColor LabelColour{60, 60, 60};

// Row of a code counted from the top: 49 on top, the pause row last.
int rowOf(uint8_t code) {
    if (code < LowestCode)
        return Rows - 1;
    return HighestCode - std::min(static_cast<int>(code), HighestCode);
}

bool isBlackKey(int code) {
    const int semitone = (code - LowestCode) % 12;
    return semitone == 1 || semitone == 3 || semitone == 6 || semitone == 8 || semitone == 10;
}

QRectF plotArea(QRect target) {
    return QRectF(target).adjusted(PianoRollPainter::LabelWidth, Margin, -Margin, -Margin);
}

} // namespace

QRectF PianoRollPainter::cell(QRect target, int32_t columns, int32_t column, uint8_t code) {
    const QRectF area = plotArea(target);
    const double width = area.width() / std::max(columns, 1);
    const double height = area.height() / Rows;
    return QRectF(area.left() + column * width, area.top() + rowOf(code) * height, width, height);
}

void PianoRollPainter::paint(QPainter& painter, QRect target, const RollData& data) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(target, Background);
    const QRectF area = plotArea(target);
    const double rowHeight = area.height() / Rows;

    // The pitch grid: black-key rows shaded, a line under every c, octave names.
    QFont font = painter.font();
    font.setPixelSize(std::clamp(static_cast<int>(rowHeight * 1.8), 8, 12));
    painter.setFont(font);
    for (int code = 1; code <= HighestCode; ++code) {
        const QRectF row(area.left(), area.top() + rowOf(static_cast<uint8_t>(code)) * rowHeight, area.width(),
                         rowHeight);
        if (code >= LowestCode && isBlackKey(code))
            painter.fillRect(row, BlackKeyRow);
        const bool octaveStart = code >= LowestCode && (code - LowestCode) % 12 == 0;
        if (octaveStart || code == 1) {
            painter.setPen(OctaveLine);
            painter.drawLine(QPointF(target.left(), row.bottom()), QPointF(area.right(), row.bottom()));
            painter.setPen(LabelColour);
            const QString name =
                code == 1 ? QStringLiteral("p") : QStringLiteral("c%1").arg((code - LowestCode) / 12 + 1);
            // Octave names sit on their line, the pause name on its row.
            const QRectF label(target.left() + 2, code == 1 ? row.center().y() - 7 : row.bottom() - 14, LabelWidth - 4,
                               14);
            painter.drawText(label, Qt::AlignLeft | (code == 1 ? Qt::AlignVCenter : Qt::AlignBottom), name);
        }
    }

    const int32_t columns = data.columns();
    if (columns == 0) {
        painter.restore();
        return;
    }
    const double width = area.width() / columns;
    const double gap = width >= GapFromWidth ? 1.0 : 0.0;
    // Only the columns that the clip lets through.
    int32_t from = 0;
    int32_t to = columns - 1;
    if (painter.hasClipping()) {
        const QRectF clip = painter.clipBoundingRect();
        from = std::max(0, static_cast<int32_t>(std::floor((clip.left() - area.left()) / width)) - 1);
        to = std::min(columns - 1, static_cast<int32_t>(std::ceil((clip.right() - area.left()) / width)) + 1);
    }

    const auto bar = [&](int32_t column, uint8_t code) {
        return cell(target, columns, column, code).adjusted(0, 0, -gap, 0);
    };
    const auto beginningCount = static_cast<int32_t>(data.beginning.size());
    for (int32_t column = from; column <= to; ++column) {
        const bool inBeginning = column < beginningCount;
        const uint8_t code = inBeginning ? data.beginning[static_cast<size_t>(column)]
                                         : data.continuation[static_cast<size_t>(column - beginningCount)];
        if (code >= LowestCode)
            painter.fillRect(bar(column, code), inBeginning ? Beginning : Continuation);
    }

    // Predictions: a bar of half the column's width in the predicted row.
    const auto windows = static_cast<int32_t>(data.windows.size());
    for (int32_t k = std::max(0, from - data.firstWindow); k < windows; ++k) {
        const int32_t column = data.firstWindow + k;
        if (column > to || column >= beginningCount)
            break;
        const app::WindowResult& window = data.windows[static_cast<size_t>(k)];
        const bool exact = window.predicted == window.target;
        const QRectF predicted = bar(column, window.predicted);
        const QRectF inner = predicted.adjusted(predicted.width() / 4, 0, -predicted.width() / 4, 0);
        painter.fillRect(inner, exact ? Right : Wrong);
        if (!exact) {
            // The distance: a line from the prediction to the edge of its target.
            const QRectF aim = bar(column, window.target);
            const double x = inner.center().x();
            const bool above = predicted.top() < aim.top();
            painter.setPen(QPen(Wrong, 1));
            painter.drawLine(QPointF(x, above ? predicted.bottom() : predicted.top()),
                             QPointF(x, above ? aim.top() : aim.bottom()));
        }
    }

    // Where the continuation starts.
    if (!data.continuation.empty() && beginningCount > 0) {
        const double x = area.left() + beginningCount * width;
        painter.setPen(QPen(Continuation, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    painter.restore();
}
