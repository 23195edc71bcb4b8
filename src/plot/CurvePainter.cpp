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

// Where the curve's values lie in the plot area.
struct Scale {
    QRectF area;
    int32_t clicks = 1;  // at least one
    int32_t windows = 1; // at least one
    double errorTop = 1.0;
    double errorStep = 1.0;
    double clickStep = 1.0;

    double xOf(double click) const {
        return clicks == 1 ? area.center().x() : area.left() + (click - 1) / (clicks - 1) * area.width();
    }
    double yOfError(double error) const { return area.bottom() - error / errorTop * area.height(); }
    double yOfExact(double exact) const { return area.bottom() - exact / windows * area.height(); }
};

Scale scaleOf(QRect target, const std::vector<app::CurvePoint>& curve) {
    Scale scale;
    scale.area = QRectF(target).adjusted(56, 28, -56, -40);
    double maxError = 0.0;
    for (const app::CurvePoint& point : curve) {
        if (std::isfinite(point.meanError))
            maxError = std::max(maxError, point.meanError);
        scale.windows = std::max(scale.windows, point.windows);
    }
    scale.errorStep = niceStep(maxError > 0.0 ? maxError : 1.0);
    scale.errorTop = scale.errorStep * std::ceil((maxError > 0.0 ? maxError : 1.0) / scale.errorStep);
    scale.clicks = static_cast<int32_t>(std::max<size_t>(curve.size(), 1));
    scale.clickStep = std::max(1.0, niceStep(scale.clicks));
    return scale;
}

// The grid, the frame, the three axes with their numbers and their titles.
void paintAxes(QPainter& painter, QRect target, const Scale& scale, bool epochs) {
    const QRectF& area = scale.area;
    for (double e = 0.0; e <= scale.errorTop + scale.errorStep / 2; e += scale.errorStep) {
        const double y = scale.yOfError(e);
        painter.setPen(Grid);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(CurvePainter::Error);
        painter.drawText(QRectF(target.left(), y - 8, area.left() - target.left() - 4, 16),
                         Qt::AlignRight | Qt::AlignVCenter, number(e));
    }
    const int exactStep = std::max(1, static_cast<int>(niceStep(scale.windows)));
    for (int x = 0; x <= scale.windows; x += exactStep) {
        painter.setPen(CurvePainter::Exact);
        painter.drawText(QRectF(area.right() + 4, scale.yOfExact(x) - 8, 48, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(x));
    }
    painter.setPen(Axis);
    for (double c = 1.0; c <= scale.clicks; c += scale.clickStep)
        painter.drawText(QRectF(scale.xOf(c) - 30, area.bottom() + 4, 60, 16), Qt::AlignCenter, number(c));
    painter.drawRect(area);
    painter.drawText(QRectF(area.left(), target.bottom() - 18, area.width(), 16), Qt::AlignCenter,
                     epochs ? QStringLiteral("нажатие «Научить», затем эпоха «Учить до результата»")
                            : QStringLiteral("нажатие «Научить»"));
    painter.setPen(CurvePainter::Error);
    painter.drawText(QRectF(target.left() + 4, target.top() + 4, area.width(), 18), Qt::AlignLeft,
                     QStringLiteral("средняя ошибка, полутонов"));
    painter.setPen(CurvePainter::Exact);
    painter.drawText(QRectF(area.right() - area.width(), target.top() + 4, area.width() + 52, 18), Qt::AlignRight,
                     QStringLiteral("точно предсказано, нот"));
}

// The two series, with a dot per click while the dots stay apart.
void paintSeries(QPainter& painter, const Scale& scale, const std::vector<app::CurvePoint>& curve) {
    QPainterPath error;
    QPainterPath exact;
    for (size_t i = 0; i < curve.size(); ++i) {
        const double x = scale.xOf(static_cast<double>(i + 1));
        const QPointF e(x, scale.yOfError(std::isfinite(curve[i].meanError) ? curve[i].meanError : scale.errorTop));
        const QPointF h(x, scale.yOfExact(curve[i].exact));
        if (i == 0) {
            error.moveTo(e);
            exact.moveTo(h);
        } else {
            error.lineTo(e);
            exact.lineTo(h);
        }
    }
    const bool dots = scale.area.width() / scale.clicks >= 6.0;
    for (const auto& [path, colour] :
         {std::pair{&error, CurvePainter::Error}, std::pair{&exact, CurvePainter::Exact}}) {
        painter.setPen(QPen(colour, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(*path);
        if (dots || curve.size() == 1) {
            painter.setBrush(colour);
            for (int i = 0; i < path->elementCount(); ++i)
                painter.drawEllipse(QPointF(path->elementAt(i)), 2.5, 2.5);
        }
    }
}

} // namespace

void CurvePainter::paint(QPainter& painter, QRect target, const std::vector<app::CurvePoint>& curve) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(target, Qt::white);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const Scale scale = scaleOf(target, curve);
    paintAxes(painter, target, scale,
              std::any_of(curve.begin(), curve.end(), [](const app::CurvePoint& p) { return p.epoch; }));
    paintSeries(painter, scale, curve);
    painter.restore();
}
