#pragma once
// Stored samples and the values processing works on. 8-bit samples are unsigned bytes centred on 127 (not
// 128), processed as byte - 127; 16-bit samples are signed and processed as they are. Processed values go
// back clipped to the sample range, never wrapped.

#include <cmath>
#include <cstdint>

namespace tressel {

// The stored value of 8-bit silence, and what every 8-bit sample is measured from.
inline constexpr int kCentre8 = 127;

}  // namespace tressel

// Centred value to an 8-bit sample. Clipping to 0 comes before truncation, so the result rounds down:
// -0.5 gives byte 126, +0.5 gives 127. Not-a-number gives 0.
inline std::uint8_t ToSample8(float value) {
    // Written as selections rather than branches: the filters store millions of these in a row.
    const float stored = value + static_cast<float>(tressel::kCentre8);
    const float clipped = stored > 255.0f ? 255.0f : (stored < 0.0f ? 0.0f : stored);
    return static_cast<std::uint8_t>(std::isnan(clipped) ? 0 : static_cast<int>(clipped));
}

// Value to a 16-bit sample, truncated toward zero: -0.7 gives 0, 2.9 gives 2. Not-a-number gives -32768.
inline std::int16_t ToSample16(float value) {
    const float clipped = value > 32767.0f ? 32767.0f : (value < -32768.0f ? -32768.0f : value);
    return static_cast<std::int16_t>(std::isnan(clipped) ? -32768 : static_cast<int>(clipped));
}
