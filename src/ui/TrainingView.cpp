#include "ui/TrainingView.h"

#include "app/MelodyEdit.h"
#include "app/Messages.h"
#include "app/TrainUntil.h"
#include "plot/CurvePainter.h"
#include "plot/RollData.h"
#include "ui/PianoRollWidget.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// Lines of words the view shows without scrolling.
constexpr int SummaryLines = 4;

// Dots on the lines while there are few enough clicks to tell them apart.
constexpr qsizetype MaxDottedClicks = 60;

namespace messages = app::messages;

// A number with `digits` decimals as the user's locale writes it.
std::string decimal(double value, int digits) {
    return QLocale().toString(value, 'f', digits).toStdString();
}

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A whole step of 1, 2 or 5 times a power of ten that cuts `range` into at most eight parts.
double roundStep(double range) {
    double power = 1.0;
    while (true) {
        for (double factor : {1.0, 2.0, 5.0})
            if (range / (factor * power) <= 8.0)
                return factor * power;
        power *= 10.0;
    }
}

} // namespace

TrainingView::TrainingView(app::Session& session, QWidget* parent) : QWidget(parent, Qt::Window), session_(session) {
    setObjectName(QStringLiteral("TrainingView"));
    setWindowTitle(text(messages::TrainingViewTitle));
    resize(660, 640);

    QWidget* chartView = makeChart();
    QWidget* rollArea = makeRoll();
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QLayout* buttons = makeButtons();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chartView, 1);
    layout->addWidget(rollArea);
    layout->addWidget(makeSummaryArea());
    layout->addLayout(buttons);

    continuation_ = writtenContinuation();
    continuationMelody_ = beginning();
    // Made after a click, the view can only trust the report where its targets still fit (RollDataOf checks).
    if (!session_.lastReport().windows.empty())
        reportMelody_ = beginning();
    listener_ = session_.AddListener([this](app::Change change) { follow(change); });
    refreshCurve();
    refreshRoll();
    refreshSummary();
}

QWidget* TrainingView::makeChart() {
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignTop);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    errorSeries_ = new QLineSeries(chart_);
    errorSeries_->setName(text(messages::ErrorSeriesName));
    errorSeries_->setColor(CurvePainter::Error);
    exactSeries_ = new QLineSeries(chart_);
    exactSeries_->setName(text(messages::ExactSeriesName));
    exactSeries_->setColor(CurvePainter::Exact);
    chart_->addSeries(errorSeries_);
    chart_->addSeries(exactSeries_);
    clickAxis_ = new QValueAxis(chart_);
    clickAxis_->setTitleText(text(messages::ClickAxisTitle));
    clickAxis_->setLabelFormat(QStringLiteral("%d"));
    clickAxis_->setTickType(QValueAxis::TicksDynamic);
    clickAxis_->setTickAnchor(0);
    errorAxis_ = new QValueAxis(chart_);
    errorAxis_->setLabelsColor(CurvePainter::Error);
    exactAxis_ = new QValueAxis(chart_);
    exactAxis_->setLabelFormat(QStringLiteral("%d"));
    exactAxis_->setTickType(QValueAxis::TicksDynamic);
    exactAxis_->setTickAnchor(0);
    exactAxis_->setLabelsColor(CurvePainter::Exact);
    chart_->addAxis(clickAxis_, Qt::AlignBottom);
    chart_->addAxis(errorAxis_, Qt::AlignLeft);
    chart_->addAxis(exactAxis_, Qt::AlignRight);
    errorSeries_->attachAxis(clickAxis_);
    errorSeries_->attachAxis(errorAxis_);
    exactSeries_->attachAxis(clickAxis_);
    exactSeries_->attachAxis(exactAxis_);
    auto* chartView = new QChartView(chart_, this);
    chartView->setObjectName(QStringLiteral("learningCurve"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(220);
    return chartView;
}

QWidget* TrainingView::makeRoll() {
    roll_ = new PianoRollWidget;
    connect(roll_, &PianoRollWidget::noteChosen, this, [this](int32_t position, uint8_t code) {
        emit melodyEdited(app::MelodyWithNote(session_, position, code));
    });
    connect(roll_, &PianoRollWidget::noteRemoved, this,
            [this](int32_t position) { emit melodyEdited(app::MelodyWithoutNote(session_, position)); });
    auto* rollArea = new QScrollArea(this);
    rollArea->setWidget(roll_);
    rollArea->setWidgetResizable(true);
    rollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rollArea->setMinimumHeight(roll_->minimumHeight() + rollArea->horizontalScrollBar()->sizeHint().height() + 4);
    return rollArea;
}

QLayout* TrainingView::makeButtons() {
    trainUntil_ = new QPushButton(text(messages::TrainUntilAction), this);
    trainUntil_->setObjectName(QStringLiteral("trainUntil"));
    connect(trainUntil_, &QPushButton::clicked, this, &TrainingView::trainUntilRequested);

    trainUntilSeconds_ = new QSpinBox(this);
    trainUntilSeconds_->setObjectName(QStringLiteral("trainUntilSeconds"));
    trainUntilSeconds_->setRange(1, static_cast<int>(app::MaxTrainUntilSeconds));
    trainUntilSeconds_->setValue(static_cast<int>(app::DefaultTrainUntilSeconds));
    trainUntilSeconds_->setSuffix(text(messages::TrainUntilSecondsSuffix));
    trainUntilSeconds_->setToolTip(text(messages::TrainUntilSecondsTip));
    auto* secondsLabel = new QLabel(text(messages::TrainUntilSecondsLabel), this);
    secondsLabel->setBuddy(trainUntilSeconds_);
    melodyNotes_ = new QPushButton(text(messages::ContinueInMelodyNotesAction), this);
    melodyNotes_->setObjectName(QStringLiteral("continueInMelodyNotes"));
    melodyNotes_->setToolTip(text(messages::ContinueInMelodyNotesTip));
    connect(melodyNotes_, &QPushButton::clicked, this, &TrainingView::continueInMelodyNotesRequested);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(melodyNotes_);
    buttons->addStretch();
    buttons->addWidget(trainUntil_);
    buttons->addWidget(secondsLabel);
    buttons->addWidget(trainUntilSeconds_);
    return buttons;
}

QWidget* TrainingView::makeSummaryArea() {
    // The words scroll inside a fixed height, so that the pictures keep their place at any length.
    auto* summaryArea = new QScrollArea(this);
    summaryArea->setObjectName(QStringLiteral("summaryArea"));
    summaryArea->setWidget(summary_);
    summaryArea->setWidgetResizable(true);
    summaryArea->setFrameShape(QFrame::NoFrame);
    summaryArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    summaryArea->setFixedHeight(summary_->fontMetrics().lineSpacing() * SummaryLines + 4);
    return summaryArea;
}

TrainingView::~TrainingView() {
    session_.RemoveListener(listener_);
}

void TrainingView::follow(app::Change change) {
    switch (change) {
    case app::Change::Melody:
        refreshRoll();
        break;
    case app::Change::Network:
        reportMelody_.clear();
        refreshCurve();
        refreshRoll();
        break;
    case app::Change::Trained:
        reportMelody_ = beginning();
        refreshCurve();
        refreshRoll();
        break;
    case app::Change::Predicted:
        break;
    case app::Change::Continued:
        continuation_ = writtenContinuation();
        continuationMelody_ = beginning();
        refreshRoll();
        break;
    }
    refreshSummary();
    emit updated();
}

std::vector<uint8_t> TrainingView::beginning() const {
    const std::span<const uint8_t> notes = session_.beginning();
    return std::vector<uint8_t>(notes.begin(), notes.end());
}

std::vector<uint8_t> TrainingView::writtenContinuation() const {
    const std::span<const uint8_t> notes = session_.continuation();
    return std::vector<uint8_t>(notes.begin(), notes.end());
}

bool TrainingView::reportFitsMelody() const {
    return !session_.lastReport().windows.empty() && reportMelody_ == beginning();
}

void TrainingView::refreshCurve() {
    const std::vector<app::CurvePoint>& curve = session_.learningCurve();
    QList<QPointF> errors;
    QList<QPointF> exact;
    errors.reserve(static_cast<qsizetype>(curve.size()));
    exact.reserve(static_cast<qsizetype>(curve.size()));
    double maxError = 0.0;
    int32_t windows = 1;
    for (size_t i = 0; i < curve.size(); ++i) {
        const double click = static_cast<double>(i + 1);
        // A non-finite error would break the axis; it shows as a gap.
        if (std::isfinite(curve[i].meanError)) {
            errors.append(QPointF(click, curve[i].meanError));
            maxError = std::max(maxError, curve[i].meanError);
        }
        exact.append(QPointF(click, curve[i].exact));
        windows = std::max(windows, curve[i].windows);
    }
    errorSeries_->replace(errors);
    exactSeries_->replace(exact);
    const bool dotted = errors.size() <= MaxDottedClicks;
    errorSeries_->setPointsVisible(dotted);
    exactSeries_->setPointsVisible(dotted);
    // Room for a few clicks, so that the first points do not sit on the edge.
    const double clicks = std::max(static_cast<double>(curve.size()), 5.0);
    clickAxis_->setRange(0, clicks);
    clickAxis_->setTickInterval(roundStep(clicks));
    const bool epochs = std::any_of(curve.begin(), curve.end(), [](const app::CurvePoint& p) { return p.epoch; });
    clickAxis_->setTitleText(text(epochs ? messages::ClickAndEpochAxisTitle : messages::ClickAxisTitle));
    errorAxis_->setRange(0, maxError > 0.0 ? maxError * 1.05 : 1.0);
    errorAxis_->applyNiceNumbers();
    // Whole-number ticks from 0; the axis keeps room for its widest number.
    exactAxis_->setRange(0, windows);
    exactAxis_->setTickInterval(roundStep(windows));
}

void TrainingView::refreshRoll() {
    RollData data =
        RollDataOf(session_.beginning(), continuation_, reportFitsMelody() ? &session_.lastReport() : nullptr);
    data.continuationStale = !continuation_.empty() && continuationMelody_ != beginning();
    roll_->setData(std::move(data));
}

QString TrainingView::summary() const {
    return summary_->text();
}

double TrainingView::trainUntilSeconds() const {
    return trainUntilSeconds_->value();
}

void TrainingView::refreshSummary() {
    const app::LearningReport& report = session_.lastReport();
    const std::vector<app::CurvePoint>& curve = session_.learningCurve();
    const auto clicks = static_cast<int64_t>(
        std::count_if(curve.begin(), curve.end(), [](const app::CurvePoint& point) { return !point.epoch; }));
    std::vector<std::string> lines;
    if (curve.empty()) {
        lines.push_back(messages::NotTrainedYet);
    } else if (report.windows.empty()) {
        lines.push_back(messages::ClicksWithoutWindows(clicks));
    } else {
        lines.push_back(messages::ClicksSummary(clicks, report.exact, static_cast<int64_t>(report.windows.size()),
                                                decimal(report.meanError, 3)));
        if (const std::optional<app::ResultRun>& run = session_.lastResultRun())
            lines.push_back(
                messages::ResultRunSummary(run->epochs, decimal(run->seconds, 1), report.exact, run->learnable));
        else
            lines.push_back(messages::LastClick(report));
        if (!reportFitsMelody())
            lines.push_back(messages::MelodyChangedSinceClick);
    }
    if (session_.lastPrediction() != 0)
        lines.push_back(messages::LastPrediction(session_.lastPrediction()));
    if (const app::MelodyOrigin* origin = session_.melodyOrigin())
        lines.push_back(messages::MelodyTakenFrom(origin->path, origin->track, origin->trackName, origin->trackCount));
    QStringList shown;
    for (const std::string& line : lines)
        shown << QString::fromStdString(line);
    summary_->setText(shown.join(QLatin1Char('\n')));
}
