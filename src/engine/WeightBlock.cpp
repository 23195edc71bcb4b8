#include "engine/WeightBlock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

int32_t LaneWidth(TrainingLanes lanes, int32_t hidden) {
    switch (lanes) {
    case TrainingLanes::Four:
        return 4;
    case TrainingLanes::Eight:
        return 8;
    case TrainingLanes::Best:
        break;
    }
    // A layer narrower than a full group of eight-lane vectors runs no faster
    // on them, and pads more.
#if defined(__x86_64__) || defined(__i386__)
    return hidden >= WeightBlock::GroupVectors * 8 && __builtin_cpu_supports("avx512f") ? 8 : 4;
#else
    (void)hidden;
    return 4;
#endif
}

WeightBlock::WeightBlock(int32_t inputs, int32_t hidden, int32_t width)
    : inputs_(inputs), hidden_(hidden), width_(width), vectors_((hidden + width - 1) / width),
      data_(nullptr, AlignedDelete{static_cast<size_t>(width) * sizeof(double)}) {
    if (inputs < 1 || hidden < 1 || (width != 4 && width != 8))
        throw std::invalid_argument("WeightBlock: needs inputs and hidden neurons, and 4 or 8 lanes");
    const size_t count = static_cast<size_t>(inputs) * static_cast<size_t>(vectors_) * static_cast<size_t>(width);
    data_.reset(static_cast<double*>(
        ::operator new[](count * sizeof(double), std::align_val_t(data_.get_deleter().alignment))));
    std::memset(data_.get(), 0, count * sizeof(double));
}

void WeightBlock::AlignedDelete::operator()(double* p) const {
    ::operator delete[](p, std::align_val_t(alignment));
}

double* WeightBlock::column(int32_t h) {
    const int32_t vector = h / width_;
    const int32_t group = vector - vector % GroupVectors;
    const size_t first =
        static_cast<size_t>(group) * static_cast<size_t>(inputs_) + static_cast<size_t>(vector - group);
    return data_.get() + first * static_cast<size_t>(width_) + static_cast<size_t>(h % width_);
}

size_t WeightBlock::stride(int32_t h) const {
    const int32_t group = h / width_ - h / width_ % GroupVectors;
    return static_cast<size_t>(std::min(vectors_ - group, GroupVectors)) * static_cast<size_t>(width_);
}
