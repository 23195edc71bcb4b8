#pragma once

#include "app/Session.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

class QChart;
class QLabel;
class QLayout;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QValueAxis;
class PianoRollWidget;

// The window "Ход обучения": the learning curve of the clicks since the
// network was built or loaded, the piano roll of the melody with the
// network's predictions and the continuation, and the last click in words.
// It follows every change of the session and changes nothing in it.
class TrainingView : public QWidget {
    Q_OBJECT

public:
    // The session must outlive the view.
    explicit TrainingView(app::Session& session, QWidget* parent = nullptr);
    ~TrainingView() override;

    // The mean error (semitones) and the exact windows of each click, x = click number.
    const QLineSeries* errorSeries() const { return errorSeries_; }
    const QLineSeries* exactSeries() const { return exactSeries_; }
    // The piano roll.
    const PianoRollWidget* roll() const { return roll_; }
    // The words under the pictures.
    QString summary() const;
    // The time a run of "Учить до результата" may take, as its field says (seconds).
    double trainUntilSeconds() const;

signals:
    // The view has followed a change of the session.
    void updated();
    // "Учить до результата" was pressed in the view.
    void trainUntilRequested();
    // "Продолжить в звуках мелодии" was pressed in the view.
    void continueInMelodyNotesRequested();
    // The roll asks for this beginning, to be taken as if typed.
    void melodyEdited(const std::string& text);

private:
    // The parts of the view, made in this order: the learning curve, the
    // roll in its scroll area, the buttons, the summary's scroll area.
    QWidget* makeChart();
    QWidget* makeRoll();
    QLayout* makeButtons();
    QWidget* makeSummaryArea();
    void follow(app::Change change);
    void refreshCurve();
    void refreshRoll();
    void refreshSummary();
    // Whether the last report was made on the beginning as it is now.
    bool reportFitsMelody() const;
    std::vector<uint8_t> beginning() const;
    // The notes behind the beginning that the last continuation wrote.
    std::vector<uint8_t> writtenContinuation() const;

    app::Session& session_;
    int listener_ = -1;
    QChart* chart_ = nullptr;
    QLineSeries* errorSeries_ = nullptr;
    QLineSeries* exactSeries_ = nullptr;
    QValueAxis* clickAxis_ = nullptr;
    QValueAxis* errorAxis_ = nullptr;
    QValueAxis* exactAxis_ = nullptr;
    PianoRollWidget* roll_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* trainUntil_ = nullptr;
    QSpinBox* trainUntilSeconds_ = nullptr;
    QPushButton* melodyNotes_ = nullptr;
    // The continuation as last written: the buffer behind the beginning is
    // overwritten when a longer beginning is typed, the continuation field is not.
    std::vector<uint8_t> continuation_;
    // The beginning the continuation was written after.
    std::vector<uint8_t> continuationMelody_;
    // The beginning that the last report scored.
    std::vector<uint8_t> reportMelody_;
};
