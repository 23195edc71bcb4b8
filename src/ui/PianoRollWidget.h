#pragma once

#include "plot/RollData.h"

#include <QWidget>

// The piano roll on screen: PianoRollPainter over the widget, at least
// MinColumnWidth pixels per note so that a long melody scrolls instead of
// shrinking into a smear.
class PianoRollWidget : public QWidget {
    Q_OBJECT

public:
    // Least pixels per note, and pixels per pitch row.
    static constexpr int MinColumnWidth = 4;
    static constexpr int RowHeight = 6;

    // An empty roll.
    explicit PianoRollWidget(QWidget* parent = nullptr);

    // Shows `data` and asks for a repaint.
    void setData(RollData data);
    // What the roll shows.
    const RollData& data() const { return data_; }

    // Three times the least width per note, all rows.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RollData data_;
};
