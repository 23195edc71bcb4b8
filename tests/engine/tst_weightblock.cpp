#include "engine/WeightBlock.h"

#include "EngineTest.h"

#include <stdexcept>

namespace {

using WeightBlockTest = EngineTest;

TEST_F(WeightBlockTest, LaneWidthFollowsTheChoiceAndTheLayer) {
#if defined(__x86_64__) || defined(__i386__)
    const bool wide = __builtin_cpu_supports("avx512f");
#else
    const bool wide = false;
#endif
    const std::tuple<TrainingLanes, int32_t, int32_t> cases[] = {{TrainingLanes::Four, 99, 4},
                                                                 {TrainingLanes::Eight, 1, 8},
                                                                 {TrainingLanes::Best, 31, 4},
                                                                 {TrainingLanes::Best, 32, wide ? 8 : 4}};
    for (const auto& [lanes, hidden, width] : cases)
        EXPECT_EQ(LaneWidth(lanes, hidden), width) << int(lanes) << " " << hidden;
}

TEST_F(WeightBlockTest, NeuronsKeepTheirWeightsInTheirColumnsUntilTheirCountChanges) {
    // Two neurons of three inputs fed 0.5 each, in one group of four lanes:
    // the second neuron in column 0, the first in column 1.
    auto block = std::make_shared<WeightBlock>(3, 2, 4);
    NeuronRef first = neuron(), second = neuron(), source = neuron();
    source->setDisplacing(0.5);
    for (const NeuronRef& n : {first, second}) {
        n->setNInput(3);
        n->setAutoOperate(false);
        for (int32_t i = 1; i <= 3; ++i)
            n->setINeuron(i, source);
    }
    first->setIWeight(0, 7.0);
    for (int32_t i = 1; i <= 3; ++i) {
        first->setIWeight(i, double(i));
        second->setIWeight(i, double(i + 3));
    }
    first->JoinWeightBlock(block, 1);
    second->JoinWeightBlock(block, 0);
    EXPECT_EQ(first->iWeight(0), 7.0);
    EXPECT_EQ(first->Operate(), 3.0);
    EXPECT_EQ(block->largest(), 6.0);
    const double* cells = block->data();
    EXPECT_EQ(std::vector<double>(cells, cells + 12), (std::vector<double>{4, 1, 0, 0, 5, 2, 0, 0, 6, 3, 0, 0}));
    first->setIWeight(2, -1e300);
    EXPECT_EQ(cells[5], -1e300);
    EXPECT_EQ(block->largest(), 1e300);
    EXPECT_EQ(first->Operate(), 0.5 * 1.0 + 0.5 * -1e300 + 0.5 * 3.0);

    // Refused joins change nothing.
    EXPECT_THROW(second->JoinWeightBlock(block, 2), std::invalid_argument);
    EXPECT_THROW(second->JoinWeightBlock(std::make_shared<WeightBlock>(2, 2, 4), 0), std::invalid_argument);
    EXPECT_THROW(second->JoinWeightBlock(nullptr, 0), std::invalid_argument);
    EXPECT_EQ(second->iWeight(3), 6.0);

    // A new count leaves the block with weights of 0.
    first->setNInput(3);
    first->setIWeight(2, 9.0);
    EXPECT_EQ(first->iWeight(1), 0.0);
    EXPECT_EQ(cells[5], -1e300);
}

} // namespace
