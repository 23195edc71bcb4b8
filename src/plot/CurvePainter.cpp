#include "plot/CurvePainter.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor Axis{80, 80, 80};
const QColor Grid{225, 225, 225};
constexpr int Ticks = 5;

// A round step of at least range / Ticks: 1, 2 or 5 times a power of ten.
double niceStep(double range) {
    const double raw = range / Ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= raw)
            return factor * power;
    return 10.0 * power;
}

QString number(double value) {
    // Picture files do not depend on the user's locale.
    return QLocale::c().toString(value, 'g', 4);
}

} // namespace

void CurvePainter::paint(QPainter& painter, QRect target, const std::vector<app::CurvePoint>& curve) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(target, Qt::white);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QRectF area = QRectF(target).adjusted(56, 28, -56, -40);

    double maxError = 0.0;
    int32_t windows = 1;
    for (const app::CurvePoint& point : curve) {
        if (std::isfinite(point.meanError))
            maxError = std::max(maxError, point.meanError);
        windows = std::max(windows, point.windows);
    }
    const double errorStep = niceStep(maxError > 0.0 ? maxError : 1.0);
    const double errorTop = errorStep * std::ceil((maxError > 0.0 ? maxError : 1.0) / errorStep);
    const auto clicks = static_cast<int32_t>(std::max<size_t>(curve.size(), 1));
    const double clickStep = std::max(1.0, niceStep(clicks));

    const auto xOf = [&](double click) {
        return clicks == 1 ? area.center().x() : area.left() + (click - 1) / (clicks - 1) * area.width();
    };
    const auto yOfError = [&](double error) { return area.bottom() - error / errorTop * area.height(); };
    const auto yOfExact = [&](double exact) { return area.bottom() - exact / windows * area.height(); };

    // Grid and the three axes with their numbers.
    for (double e = 0.0; e <= errorTop + errorStep / 2; e += errorStep) {
        const double y = yOfError(e);
        painter.setPen(Grid);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(Error);
        painter.drawText(QRectF(target.left(), y - 8, area.left() - target.left() - 4, 16),
                         Qt::AlignRight | Qt::AlignVCenter, number(e));
    }
    const int exactStep = std::max(1, static_cast<int>(niceStep(windows)));
    for (int x = 0; x <= windows; x += exactStep) {
        painter.setPen(Exact);
        painter.drawText(QRectF(area.right() + 4, yOfExact(x) - 8, 48, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(x));
    }
    painter.setPen(Axis);
    for (double c = 1.0; c <= clicks; c += clickStep)
        painter.drawText(QRectF(xOf(c) - 30, area.bottom() + 4, 60, 16), Qt::AlignCenter, number(c));
    painter.drawRect(area);
    painter.drawText(QRectF(area.left(), target.bottom() - 18, area.width(), 16), Qt::AlignCenter,
                     std::any_of(curve.begin(), curve.end(), [](const app::CurvePoint& p) { return p.epoch; })
                         ? QStringLiteral("нажатие «Научить», затем эпоха «Учить до результата»")
                         : QStringLiteral("нажатие «Научить»"));
    painter.setPen(Error);
    painter.drawText(QRectF(target.left() + 4, target.top() + 4, area.width(), 18), Qt::AlignLeft,
                     QStringLiteral("средняя ошибка, полутонов"));
    painter.setPen(Exact);
    painter.drawText(QRectF(area.right() - area.width(), target.top() + 4, area.width() + 52, 18), Qt::AlignRight,
                     QStringLiteral("точно предсказано, нот"));

    // The two series, with a dot per click while the dots stay apart.
    QPainterPath error;
    QPainterPath exact;
    for (size_t i = 0; i < curve.size(); ++i) {
        const double x = xOf(static_cast<double>(i + 1));
        const QPointF e(x, yOfError(std::isfinite(curve[i].meanError) ? curve[i].meanError : errorTop));
        const QPointF h(x, yOfExact(curve[i].exact));
        if (i == 0) {
            error.moveTo(e);
            exact.moveTo(h);
        } else {
            error.lineTo(e);
            exact.lineTo(h);
        }
    }
    const bool dots = area.width() / clicks >= 6.0;
    for (const auto& [path, colour] : {std::pair{&error, Error}, std::pair{&exact, Exact}}) {
        painter.setPen(QPen(colour, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(*path);
        if (dots || curve.size() == 1) {
            painter.setBrush(colour);
            for (int i = 0; i < path->elementCount(); ++i)
                painter.drawEllipse(QPointF(path->elementAt(i)), 2.5, 2.5);
        }
    }
    painter.restore();
}
