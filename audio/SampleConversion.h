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
    float stored = value + static_cast<float>(tressel::kCentre8);
    if (stored > 255.0f) {
        stored = 255.0f;
    }
    if (stored < 0.0f) {
        stored = 0.0f;
    }
    if (std::isnan(stored)) {
        return 0;
    }
    return static_cast<std::uint8_t>(static_cast<int>(stored));
}

// Value to a 16-bit sample, truncated toward zero: -0.7 gives 0, 2.9 gives 2. Not-a-number gives -32768.
inline std::int16_t ToSample16(float value) {
    if (std::isnan(value)) {
        return -32768;
    }
    if (value > 32767.0f) {
        value = 32767.0f;
    }
    if (value < -32768.0f) {
        value = -32768.0f;
    }
    return static_cast<std::int16_t>(static_cast<int>(value));
}
