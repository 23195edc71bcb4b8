#include "ui/PianoRollWidget.h"

#include "plot/PianoRollPainter.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

// The painter's rows: four octaves, a gap and the pause row.
constexpr int Rows = 50;
constexpr int VerticalMargins = 8;

} // namespace

PianoRollWidget::PianoRollWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pianoRoll"));
    setMinimumHeight(Rows * RowHeight + VerticalMargins);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PianoRollWidget::setData(RollData data) {
    data_ = std::move(data);
    setMinimumWidth(PianoRollPainter::LabelWidth + VerticalMargins + data_.columns() * MinColumnWidth);
    update();
}

QSize PianoRollWidget::sizeHint() const {
    return QSize(PianoRollPainter::LabelWidth + VerticalMargins + data_.columns() * 3 * MinColumnWidth,
                 Rows * RowHeight + VerticalMargins);
}

void PianoRollWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The painter skips the columns outside the clip.
    painter.setClipRect(event->rect());
    PianoRollPainter::paint(painter, rect(), data_);
}
