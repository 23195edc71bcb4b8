#pragma once

#include "plot/RollData.h"

#include <QWidget>

// The piano roll on screen: PianoRollPainter over the widget, at least
// MinColumnWidth pixels per note so that a long melody scrolls instead of
// shrinking into a smear.
class PianoRollWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int MinColumnWidth = 4;
    static constexpr int RowHeight = 6;

    explicit PianoRollWidget(QWidget* parent = nullptr);

    // Shows `data` and asks for a repaint.
    void setData(RollData data);
    const RollData& data() const { return data_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RollData data_;
};
