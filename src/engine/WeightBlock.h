#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

// How many hidden neurons training handles side by side.
enum class TrainingLanes {
    Best,  // eight where the processor has AVX-512 and the layer fills a group of them, four elsewhere
    Four,  // SSE2 or AVX2 vectors
    Eight, // AVX-512 vectors, or pairs and quadruples of narrower ones
};

// The lane count, 4 or 8, that `lanes` stands for with `hidden` neurons on this processor.
int32_t LaneWidth(TrainingLanes lanes, int32_t hidden);

// The input weights of a whole hidden layer, laid out as training reads them:
// neurons side by side in vectors of `width` lanes, the vectors in groups of
// up to GroupVectors, each group input after input. Vector j of the group that
// starts at vector b holds, for input k (from 0), the doubles of vector
// b * inputs + k * n + j, where n is the group's vector count. Lanes beyond the
// last neuron hold zeros.
class WeightBlock {
public:
    static constexpr int32_t GroupVectors = 4;

    // A block of zeros, aligned to its vectors; throws std::bad_alloc when memory runs out.
    WeightBlock(int32_t inputs, int32_t hidden, int32_t width);
    WeightBlock(const WeightBlock&) = delete;
    WeightBlock& operator=(const WeightBlock&) = delete;

    int32_t inputs() const { return inputs_; }
    int32_t hidden() const { return hidden_; }
    int32_t width() const { return width_; }
    // Count of lane vectors per input: hidden rounded up to whole vectors.
    int32_t vectors() const { return vectors_; }

    // All the doubles, inputs() x vectors() x width() of them.
    double* data() { return data_.get(); }

    // Where neuron h's (from 0) weight of input k (from 0) lies: column(h)[k * stride(h)].
    double* column(int32_t h);
    size_t stride(int32_t h) const;

    // An upper bound of every weight's magnitude; infinite when a weight may not be finite.
    double largest() const { return largest_; }
    void setLargest(double bound) { largest_ = bound; }
    // Keeps the bound true after `value` was written to a weight.
    void noteWeight(double value) { largest_ = std::isfinite(value) ? std::max(largest_, std::fabs(value)) : INFINITY; }

    // Whether every member neuron's input links were found to be the input
    // layer's neurons, in order, and none of them has changed since.
    bool linksChecked() const { return linksChecked_; }
    void setLinksChecked(bool value) { linksChecked_ = value; }

private:
    struct AlignedDelete {
        size_t alignment;
        void operator()(double* p) const;
    };

    int32_t inputs_;
    int32_t hidden_;
    int32_t width_;
    int32_t vectors_;
    std::unique_ptr<double[], AlignedDelete> data_;
    double largest_ = 0.0;
    bool linksChecked_ = false;
};
