// The training view's cost while the user types: one repaint of the piano
// roll at 1024 notes (whole and as a scroll area shows it), and one keystroke
// in a 1024-note melody with and without the view following the session.
#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "melody/CommandText.h"
#include "numbers/NumberText.h"
#include "platform/QtFileSystem.h"
#include "platform/QtProcessStarter.h"
#include "plot/PianoRollPainter.h"
#include "plot/RollData.h"
#include "ui/PianoRollWidget.h"
#include "ui/TrainingView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint8_t kDefaultCodes[] = {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};
constexpr int32_t kLongMelody = 1024;
// The view's roll at its least width per note, and the part a 660-pixel view shows of it.
constexpr int kRollWidth = PianoRollPainter::LabelWidth + 8 + kLongMelody * PianoRollWidget::MinColumnWidth;
constexpr int kRollHeight = 50 * PianoRollWidget::RowHeight + 8;
constexpr int kVisibleWidth = 640;

std::vector<uint8_t> longCodes() {
    std::vector<uint8_t> codes(kLongMelody);
    for (size_t i = 0; i < codes.size(); ++i)
        codes[i] = kDefaultCodes[i % std::size(kDefaultCodes)];
    return codes;
}

// A roll of 1024 notes with a (wrong by one) prediction for each of its 1016 windows.
RollData longRoll() {
    RollData data;
    data.beginning = longCodes();
    data.firstWindow = 8;
    for (int32_t p = 8; p < kLongMelody; ++p)
        data.windows.push_back({static_cast<uint8_t>(data.beginning[static_cast<size_t>(p)] + p % 2),
                                data.beginning[static_cast<size_t>(p)]});
    return data;
}

void paintRoll(benchmark::State& state, int clipWidth) {
    const RollData data = longRoll();
    QImage image(kRollWidth, kRollHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        if (clipWidth > 0)
            painter.setClipRect(QRect(kRollWidth / 2, 0, clipWidth, kRollHeight));
        PianoRollPainter::paint(painter, image.rect(), data);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The whole 4130-pixel roll.
void BM_PaintRoll1024Whole(benchmark::State& state) {
    paintRoll(state, 0);
}
BENCHMARK(BM_PaintRoll1024Whole)->Unit(benchmark::kMicrosecond);

// The 640 pixels a scroll area exposes.
void BM_PaintRoll1024Visible(benchmark::State& state) {
    paintRoll(state, kVisibleWidth);
}
BENCHMARK(BM_PaintRoll1024Visible)->Unit(benchmark::kMicrosecond);

// A session on a built, trained network of 8 inputs and a 1024-note melody.
struct TypingRig {
    TypingRig() : session(FormulaLibrary::loadBesideProgram().value(), files, starter, locale) {
        session.Start();
        session.SetShape(8, 3, 1.0);
        session.SetLearnStep(1.0);
        session.state().SetSeed(1);
        const std::vector<uint8_t> codes = longCodes();
        text = CodeListText(codes.data(), kLongMelody);
        session.SetMelodyText(text);
        session.Train(1);
    }
    platform::QtFileSystem files;
    platform::QtProcessStarter starter;
    PlainLocaleNumbers locale;
    app::Session session;
    std::string text;
};

// One keystroke: the session parses the 1024-note text again; with the view
// open it also rebuilds the roll's data and schedules the repaint.
void typeWithView(benchmark::State& state, bool withView) {
    TypingRig rig;
    std::unique_ptr<TrainingView> view;
    if (withView)
        view = std::make_unique<TrainingView>(rig.session);
    for (auto _ : state) {
        const MelodyParseInfo info = rig.session.SetMelodyText(rig.text);
        benchmark::DoNotOptimize(info);
    }
}

void BM_Keystroke1024WithoutView(benchmark::State& state) {
    typeWithView(state, false);
}
BENCHMARK(BM_Keystroke1024WithoutView)->Unit(benchmark::kMicrosecond);

void BM_Keystroke1024WithView(benchmark::State& state) {
    typeWithView(state, true);
}
BENCHMARK(BM_Keystroke1024WithView)->Unit(benchmark::kMicrosecond);

} // namespace

// Widgets and fonts need an application, on the offscreen platform unless one is chosen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
