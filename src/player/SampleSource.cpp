#include "player/SampleSource.h"

#include <algorithm>

bool SampleSource::fill(float* out, size_t count) {
    const size_t written = render(out, count);
    std::fill(out + written, out + count, 0.0f);
    return written < count;
}
