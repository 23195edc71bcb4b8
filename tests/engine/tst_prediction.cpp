#include "engine/Prediction.h"

#include "EngineTest.h"

#include <cmath>
#include <limits>

namespace {

constexpr double P = -0.5; // a pause

constexpr auto v = NoteToValue;

TEST(NoteValues, BothWays) {
    const std::pair<uint8_t, double> values[] = {
        {1, -0.5}, {25, 0.0}, {49, 0.5}, {0, -0.5 - 1.0 / 48.0}, {255, 254.0 / 48.0 - 0.5}};
    for (const auto& [code, value] : values)
        EXPECT_DOUBLE_EQ(NoteToValue(code), value) << int(code);
    constexpr double Inf = std::numeric_limits<double>::infinity(), NaN = std::numeric_limits<double>::quiet_NaN();
    const double two = 0.5 / 48.0 - 0.5; // the lowest value of code 2
    const std::pair<double, int> notes[] = {{-0.0104, 25}, {-0.0105, 24}, {0.52, 49}, {Inf, 49},
                                            {-Inf, 1},     {NaN, 1},      {two, 2},   {std::nextafter(two, -1.0), 1}};
    for (const auto& [value, code] : notes)
        EXPECT_EQ(ValueToNote(value), code) << value;
    for (int c = 1; c <= 49; ++c)
        EXPECT_EQ(ValueToNote(NoteToValue(static_cast<uint8_t>(c))), c);
}

class PredictionTest : public EngineTest {
protected:
    std::unique_ptr<mdMain> s = network(8, 3, 2024);
};

TEST_F(PredictionTest, InputsAreTheNotesBeforeThePosition) {
    const std::tuple<std::vector<uint8_t>, int32_t, std::vector<double>> cases[] = {
        {{3, 8, 11}, 3, {P, P, P, P, P, v(3), v(8), v(11)}},
        {DefaultMelody, 12, {v(8), v(11), v(4), v(8), v(10), v(1), v(8), v(10)}},
        {std::vector<uint8_t>(mdMain::MelodyCapacity, 30),
         mdMain::MelodyCapacity + 3,
         {v(30), v(30), v(30), v(30), v(30), P, P, P}},
        {{30}, INT32_MIN, std::vector<double>(8, P)},
    };
    for (const auto& [melody, position, expected] : cases) {
        setMelody(*s, melody);
        PlaceInputs(*s, position);
        EXPECT_EQ(inputs(*s), expected) << position;
    }
}

TEST_F(PredictionTest, PredictionAndContinuationAgree) {
    setMelody(*s, {3, 8, 11});
    const auto before = s->Melody;
    const uint8_t next = PredictNote(*s);
    EXPECT_EQ(s->Melody, before);
    const std::vector<uint8_t> written = ContinueMelody(*s, 2);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(std::pair(written[0], s->MelodyLen), std::pair(next, 2));
    // The second step saw the first prediction on the last neuron.
    EXPECT_EQ(inputs(*s), (std::vector<double>{P, P, P, P, v(3), v(8), v(11), v(written[0])}));
    EXPECT_EQ(written[1], ValueToNote(s->OutNeuron->Result()));
}

// A continuation stops at the buffer's end, however many notes are asked for, and writes nothing beyond its notes.
TEST_F(PredictionTest, ContinuationStopsAtTheBufferEnd) {
    // melody length, count, notes written after the melody
    const std::tuple<int32_t, int32_t, int32_t> cases[] = {
        {1020, 10, 3}, {1022, 1, 1}, {1023, 5, 0}, {5, -3, 0}, {0, INT32_MAX, 1023}};
    for (const auto& [melodyLen, count, length] : cases) {
        s->Melody.fill(13);
        s->MelodyLen = melodyLen;
        auto expected = s->Melody;
        const std::vector<uint8_t> written = ContinueMelody(*s, count);
        std::copy(written.begin(), written.end(), expected.begin() + melodyLen + 1);
        EXPECT_EQ(std::tuple(static_cast<int32_t>(written.size()), s->ContLen, s->Melody),
                  std::tuple(length, length, expected))
            << melodyLen << " " << count;
    }
}

} // namespace
