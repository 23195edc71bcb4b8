#pragma once

#include "plot/RollData.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRectF>

#include <optional>

class QPainter;

// Paints a piano roll: one column per note, rows for the codes data.low to
// data.high (high notes on top) named at the left as the command text names
// them, an empty row, and a row "p" for pauses at the bottom. The beginning's
// notes are bars and its pauses marks in the pause row; each window's
// prediction sits as a narrower bar in its column, in one colour when exact
// and in another, joined to the target by a line, when not; the continuation
// follows in a third colour, grey once the beginning changed under it.
// Codes outside the rows shown sit in the top or bottom row with a mark.
// The window's widget and the picture files share it.
class PianoRollPainter {
public:
    // The beginning's bars, the continuation's, exact and wrong predictions.
    static inline const QColor Beginning{60, 100, 170};
    static inline const QColor Continuation{230, 130, 0};
    static inline const QColor Right{30, 160, 60};
    static inline const QColor Wrong{210, 40, 40};
    // Pauses in the pause row, a continuation that no longer follows, the mark of a code beyond the rows.
    static inline const QColor Pause{120, 120, 120};
    static inline const QColor Stale{185, 185, 185};
    static inline const QColor Beyond{20, 20, 20};

    // Width of the row names at the left.
    static constexpr int LabelWidth = 30;
    // Columns narrower than this get no gap between neighbours.
    static constexpr double GapFromWidth = 4.0;
    // Rows at least this tall are all named; lower ones only where a name fits.
    static constexpr double NamedRowHeight = 11.0;

    // Paints `data` into `target`. Only the columns inside the painter's clip
    // (when it has one) are drawn, so a wide roll in a scroll area stays quick.
    static void paint(QPainter& painter, QRect target, const RollData& data);

    // Where the bar of a note code (below 2 for the pause row) in `column` lies.
    static QRectF cell(QRect target, const RollData& data, int32_t column, uint8_t code);

    // The column (spare ones included) and code under `point`: a code of a
    // row shown, 1 in the pause row; nothing outside the columns or the rows.
    struct Spot {
        int32_t column = 0;
        uint8_t code = 0;
    };
    static std::optional<Spot> spotAt(QRect target, const RollData& data, QPoint point);
};
