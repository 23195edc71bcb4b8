#pragma once

#include "app/Session.h"

#include <QColor>
#include <QRect>

#include <vector>

class QPainter;

// Paints the learning curve for picture files: the mean error of each click
// (left axis, semitones) and its exact windows (right axis, 0 to the number
// of windows) over the click number. Written here rather than with Qt Charts,
// whose charts live in a widget scene that the command-line tool does not have.
class CurvePainter {
public:
    // The mean error's line and axis, and the exact windows'.
    static inline const QColor Error{200, 50, 50};
    static inline const QColor Exact{30, 130, 60};

    // Paints `curve` (one point per click, the first click at 1) into `target`.
    static void paint(QPainter& painter, QRect target, const std::vector<app::CurvePoint>& curve);
};
