#pragma once
// The smallest and largest of a run of 16-bit samples, the unit a picture of a wave is drawn from.

#include <cstdint>
#include <limits>

namespace tressel {

struct SampleExtent {
    std::int16_t low = std::numeric_limits<std::int16_t>::max();
    std::int16_t high = std::numeric_limits<std::int16_t>::min();

    bool Empty() const { return low > high; }
    void Include(std::int16_t value) {
        low = value < low ? value : low;
        high = value > high ? value : high;
    }
    void Include(SampleExtent other) {
        low = other.low < low ? other.low : low;
        high = other.high > high ? other.high : high;
    }
    bool operator==(const SampleExtent&) const = default;
};

// Samples [first, last).
inline SampleExtent ExtentOf(const std::int16_t* samples, std::int64_t first, std::int64_t last) {
    std::int16_t low = std::numeric_limits<std::int16_t>::max();
    std::int16_t high = std::numeric_limits<std::int16_t>::min();
    for (std::int64_t i = first; i < last; ++i) {
        low = samples[i] < low ? samples[i] : low;
        high = samples[i] > high ? samples[i] : high;
    }
    return SampleExtent{low, high};
}

// A fixed count: the compiler turns the loop into vector instructions.
template <int Count>
SampleExtent FixedExtentOf(const std::int16_t* samples) {
    std::int16_t low = std::numeric_limits<std::int16_t>::max();
    std::int16_t high = std::numeric_limits<std::int16_t>::min();
    for (int i = 0; i < Count; ++i) {
        low = samples[i] < low ? samples[i] : low;
        high = samples[i] > high ? samples[i] : high;
    }
    return SampleExtent{low, high};
}

}  // namespace tressel
