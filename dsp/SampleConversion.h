#pragma once
// Processed values back to stored samples: clipped, never wrapped, then truncated toward zero.

#include <cmath>
#include <cstdint>

// Centred value to an 8-bit byte; clipping to 0 first makes the truncation round down.
inline std::uint8_t ToSample8(float v) {
    if (std::isnan(v)) {
        return 0;
    }
    float t = v + 127.0f;
    t = t > 255.0f ? 255.0f : t;
    t = t < 0.0f ? 0.0f : t;
    return static_cast<std::uint8_t>(t);
}

inline std::int16_t ToSample16(float v) {
    if (std::isnan(v)) {
        return -32768;
    }
    v = v > 32767.0f ? 32767.0f : v;
    v = v < -32768.0f ? -32768.0f : v;
    return static_cast<std::int16_t>(v);
}
