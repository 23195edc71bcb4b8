#include "engine/Prediction.h"

#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

namespace {

struct NoteCase {
    double value;
    uint8_t code;
};

class ValueToNoteTable : public ::testing::TestWithParam<NoteCase> {};

TEST_P(ValueToNoteTable, RoundsAndClamps) {
    EXPECT_EQ(ValueToNote(GetParam().value), GetParam().code) << GetParam().value;
}

constexpr double Inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Values, ValueToNoteTable, ::testing::Values(
    NoteCase{0.0, 25}, NoteCase{-0.5, 1}, NoteCase{0.5, 49}, NoteCase{0.0105, 26}, NoteCase{-0.0104, 25},
    NoteCase{-0.0105, 24}, NoteCase{-0.53, 1}, NoteCase{0.52, 49}, NoteCase{-1.0, 1}, NoteCase{0.999, 49},
    NoteCase{-1e300, 1}, NoteCase{1e300, 49}, NoteCase{DBL_MAX, 49}, NoteCase{-DBL_MAX, 1}, NoteCase{Inf, 49},
    NoteCase{-Inf, 1}, NoteCase{std::numeric_limits<double>::quiet_NaN(), 1},
    // The edges of code 2: from (2 - 1.5) / 48 - 0.5 inclusive.
    NoteCase{(2 - 1.5) / 48.0 - 0.5, 2}, NoteCase{std::nextafter((2 - 1.5) / 48.0 - 0.5, -1.0), 1}));

TEST(NoteToValue, Scale) {
    const struct {
        uint8_t code;
        double value;
    } cases[] = {{1, -0.5}, {25, 0.0}, {49, 0.5}, {0, -0.5 - 1.0 / 48.0}, {50, 0.5 + 1.0 / 48.0}, {255, 254.0 / 48.0 - 0.5}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(NoteToValue(c.code), c.value) << int(c.code);
    EXPECT_EQ(NoteToValue(1), -0.5);
    EXPECT_EQ(NoteToValue(25), 0.0);
}

TEST(NoteToValue, EveryCodeComesBack) {
    for (int c = 1; c <= 49; ++c)
        EXPECT_EQ(ValueToNote(NoteToValue(static_cast<uint8_t>(c))), c);
}

class PredictionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library_ = FormulaLibrary::loadFrom(platform::executableFolder()); }
    static void TearDownTestSuite() { library_.reset(); }

    void SetUp() override {
        state_ = std::make_unique<mdMain>(library_);
        state_->Alpha = 1.0;
        state_->LearnStep = 1.0;
        state_->InputCount = 8;
        state_->HiddenCount = 3;
        state_->SetSeed(2024);
        state_->CreateOutNeuron();
        state_->CreateNS();
    }

    void setMelody(const std::vector<uint8_t>& notes) {
        for (size_t i = 0; i < notes.size(); ++i)
            state_->Melody[i] = notes[i];
        state_->MelodyLen = static_cast<int32_t>(notes.size()) - 1;
    }

    std::vector<double> inputs() const {
        std::vector<double> v;
        for (size_t j = 1; j < state_->InLayer.size(); ++j)
            v.push_back(state_->InLayer[j]->Displacing());
        return v;
    }

    static std::shared_ptr<const FormulaLibrary> library_;
    std::unique_ptr<mdMain> state_;
};

std::shared_ptr<const FormulaLibrary> PredictionTest::library_;

TEST_F(PredictionTest, ShortMelodySitsOnTheLastNeurons) {
    setMelody({3, 8, 11});
    PlaceInputs(*state_, state_->MelodyLen + 1);
    const double p = -0.5;
    EXPECT_EQ(inputs(), (std::vector<double>{p, p, p, p, p, NoteToValue(3), NoteToValue(8), NoteToValue(11)}));
    // The Result follows by differences ((new + Result) - old), so only to the last bits.
    for (size_t j = 1; j < state_->InLayer.size(); ++j)
        EXPECT_NEAR(state_->InLayer[j]->Result(), state_->InLayer[j]->Displacing(), 1e-16);
}

TEST_F(PredictionTest, LongMelodyUsesItsLastNotes) {
    const std::vector<uint8_t> notes{3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};
    setMelody(notes);
    PlaceInputs(*state_, state_->MelodyLen + 1);
    std::vector<double> expected;
    for (size_t i = 4; i < 12; ++i)
        expected.push_back(NoteToValue(notes[i]));
    EXPECT_EQ(inputs(), expected);
}

TEST_F(PredictionTest, PositionsOutsideTheBufferArePauses) {
    for (size_t i = 0; i < state_->Melody.size(); ++i)
        state_->Melody[i] = 30;
    PlaceInputs(*state_, mdMain::MelodyCapacity + 3);
    const double p = -0.5, n = NoteToValue(30);
    EXPECT_EQ(inputs(), (std::vector<double>{n, n, n, n, n, p, p, p}));
    PlaceInputs(*state_, INT32_MAX);
    EXPECT_EQ(inputs(), std::vector<double>(8, p));
    PlaceInputs(*state_, INT32_MIN);
    EXPECT_EQ(inputs(), std::vector<double>(8, p));
}

TEST_F(PredictionTest, PredictNoteReadsTheNetworkAndWritesNoMelody) {
    setMelody({3, 8, 11, 3, 8});
    const auto before = state_->Melody;
    const uint8_t code = PredictNote(*state_);
    EXPECT_EQ(state_->Melody, before);
    EXPECT_EQ(state_->MelodyLen, 4);
    EXPECT_EQ(code, ValueToNote(state_->OutNeuron->Result()));
    EXPECT_GE(code, 1);
    EXPECT_LE(code, 49);
}

TEST_F(PredictionTest, ContinuationFeedsItsNotesBack) {
    setMelody({3, 8, 11});
    const std::vector<uint8_t> written = ContinueMelody(*state_, 2);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(state_->ContLen, 2);
    EXPECT_EQ(state_->Melody[3], written[0]);
    EXPECT_EQ(state_->Melody[4], written[1]);
    // The second step saw the melody on neurons 5 to 7 and the first prediction on 8.
    const double p = -0.5;
    EXPECT_EQ(inputs(), (std::vector<double>{p, p, p, p, NoteToValue(3), NoteToValue(8), NoteToValue(11),
                                             NoteToValue(written[0])}));
    EXPECT_EQ(written[1], ValueToNote(state_->OutNeuron->Result()));
    // The forward pass has no randomness: a second press writes the same.
    EXPECT_EQ(ContinueMelody(*state_, 2), written);
}

TEST_F(PredictionTest, ContinuationMatchesStepByStepPrediction) {
    setMelody({3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10});
    const std::vector<uint8_t> written = ContinueMelody(*state_, 12);
    ASSERT_EQ(written.size(), 12u);
    for (int32_t i = 1; i <= 12; ++i) {
        PlaceInputs(*state_, state_->MelodyLen + i);
        EXPECT_EQ(ValueToNote(state_->CalcNS()), written[static_cast<size_t>(i - 1)]) << i;
    }
}

TEST_F(PredictionTest, ContinuationStopsAtTheBufferEnd) {
    const struct {
        int32_t melodyLen;
        int32_t count;
        int32_t written;
    } cases[] = {
        {1020, 10, 3}, {1022, 1, 1}, {1023, 5, 0}, {5, 0, 0}, {5, -3, 0}, {0, INT32_MAX, 1023}, {5, 4, 4},
    };
    for (const auto& c : cases) {
        for (auto& code : state_->Melody)
            code = 13;
        state_->MelodyLen = c.melodyLen;
        const auto before = state_->Melody;
        const std::vector<uint8_t> written = ContinueMelody(*state_, c.count);
        EXPECT_EQ(static_cast<int32_t>(written.size()), c.written) << c.melodyLen << " " << c.count;
        EXPECT_EQ(state_->ContLen, c.written);
        EXPECT_EQ(state_->MelodyLen, c.melodyLen);
        for (int32_t p = 0; p < mdMain::MelodyCapacity; ++p) {
            const bool inside = p > c.melodyLen && p <= c.melodyLen + c.written;
            if (!inside) {
                EXPECT_EQ(state_->Melody[static_cast<size_t>(p)], before[static_cast<size_t>(p)]) << p;
            }
        }
    }
}

} // namespace
