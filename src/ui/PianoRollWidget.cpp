#include "ui/PianoRollWidget.h"

#include "plot/PianoRollPainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

// The painter's rows of the full grid: four octaves, a gap and the pause row.
constexpr int Rows = 50;
constexpr int VerticalMargins = 8;
const QColor SelectedFrame{40, 40, 40};

} // namespace

PianoRollWidget::PianoRollWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pianoRoll"));
    setMinimumHeight(Rows * RowHeight + VerticalMargins);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void PianoRollWidget::setData(RollData data) {
    data_ = std::move(data);
    data_.spare = 1;
    if (selected_ > static_cast<int32_t>(data_.beginning.size()))
        selected_ = -1;
    setMinimumWidth(PianoRollPainter::LabelWidth + VerticalMargins + data_.laidOut() * MinColumnWidth);
    update();
}

QSize PianoRollWidget::sizeHint() const {
    return QSize(PianoRollPainter::LabelWidth + VerticalMargins + data_.laidOut() * 3 * MinColumnWidth,
                 Rows * RowHeight + VerticalMargins);
}

void PianoRollWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The painter skips the columns outside the clip.
    painter.setClipRect(event->rect());
    PianoRollPainter::paint(painter, rect(), data_);
    if (selected_ >= 0) {
        const QRectF column = PianoRollPainter::cell(rect(), data_, selected_, data_.high);
        painter.setPen(QPen(SelectedFrame, 1, Qt::DotLine));
        painter.drawRect(QRectF(column.left(), 0, column.width() - 1, height() - 1));
    }
}

void PianoRollWidget::mousePressEvent(QMouseEvent* event) {
    const auto spot = PianoRollPainter::spotAt(rect(), data_, event->position().toPoint());
    const auto notes = static_cast<int32_t>(data_.beginning.size());
    const bool left = event->button() == Qt::LeftButton, right = event->button() == Qt::RightButton;
    if (!spot || spot->column > notes || (!left && !right)) {
        QWidget::mousePressEvent(event);
        return;
    }
    selected_ = spot->column;
    update();
    emit noteChosen(spot->column, right ? uint8_t{1} : spot->code);
}

void PianoRollWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && selected_ >= 0 && selected_ < static_cast<int32_t>(data_.beginning.size())) {
        emit noteRemoved(selected_);
        return;
    }
    QWidget::keyPressEvent(event);
}
