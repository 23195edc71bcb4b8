#pragma once

#include "plot/RollData.h"

#include <QColor>
#include <QRect>
#include <QRectF>

class QPainter;

// Paints a piano roll: one column per note, rows for the codes 2 to 49 (high
// notes on top) with octave names at the left and, one row lower, a row "p"
// for predicted pauses at the bottom. The beginning's notes are bars, its pauses gaps;
// each window's prediction sits as a narrower bar in its column, in one
// colour when exact and in another, joined to the target by a line, when
// not; the continuation follows in a third colour. Codes above 49 are drawn
// in the top row. The window's widget and the picture files share it.
class PianoRollPainter {
public:
    // The beginning's bars, the continuation's, exact and wrong predictions.
    static inline const QColor Beginning{60, 100, 170};
    static inline const QColor Continuation{230, 130, 0};
    static inline const QColor Right{30, 160, 60};
    static inline const QColor Wrong{210, 40, 40};

    // Width of the octave names at the left.
    static constexpr int LabelWidth = 26;
    // Columns narrower than this get no gap between neighbours.
    static constexpr double GapFromWidth = 4.0;

    // Paints `data` into `target`. Only the columns inside the painter's clip
    // (when it has one) are drawn, so a wide roll in a scroll area stays quick.
    static void paint(QPainter& painter, QRect target, const RollData& data);

    // Where the bar of a note code (1 for the pause row) in `column` lies
    // when `columns` columns are painted into `target`.
    static QRectF cell(QRect target, int32_t columns, int32_t column, uint8_t code);
};
