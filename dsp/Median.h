#pragma once
// The median of a short run of samples of one channel: the element at index n / 2 of the run sorted in
// ascending order, so for an even n the upper of the two middle values. 8-bit samples compare as unsigned
// bytes, 16-bit samples as signed values. n is 1 to kMaxMedianLength.

#include <cstdint>

inline constexpr int kMaxMedianLength = 33;

std::uint8_t Median8(const std::uint8_t* samples, int n);
std::int16_t Median16(const std::int16_t* samples, int n);
