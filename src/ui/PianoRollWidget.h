#pragma once

#include "plot/RollData.h"

#include <QWidget>

#include <cstdint>

// The piano roll on screen: PianoRollPainter over the widget, at least
// MinColumnWidth pixels per note so that a long melody scrolls instead of
// shrinking into a smear. One spare column after the notes takes a new note:
// a left click on a column of the beginning (or the spare one) asks for that
// note in the clicked row, a right click for a pause there, and Delete for
// the removal of the note last clicked.
class PianoRollWidget : public QWidget {
    Q_OBJECT

public:
    // Least pixels per note, and pixels per pitch row of the full grid.
    static constexpr int MinColumnWidth = 4;
    static constexpr int RowHeight = 6;

    // An empty roll.
    explicit PianoRollWidget(QWidget* parent = nullptr);

    // Shows `data` (with one spare column) and asks for a repaint.
    void setData(RollData data);
    // What the roll shows.
    const RollData& data() const { return data_; }
    // The column last clicked, -1 for none.
    int32_t selected() const { return selected_; }

    // Three times the least width per note, all rows.
    QSize sizeHint() const override;

signals:
    // The note at `position` of the beginning (its note count: one more) should become `code`.
    void noteChosen(int32_t position, uint8_t code);
    // The note at `position` of the beginning should go.
    void noteRemoved(int32_t position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    RollData data_;
    int32_t selected_ = -1;
};
