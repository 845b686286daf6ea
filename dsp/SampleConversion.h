#pragma once
// Conversions of processed values back to stored samples: clipped, never wrapped; truncated toward zero.
#include <cmath>
#include <cstdint>
inline std::uint8_t ToSample8(float v) { if (std::isnan(v)) return 0; float t = v + 127.0f; if (t > 255.0f) t = 255.0f; if (t < 0.0f) t = 0.0f; return static_cast<std::uint8_t>(t); }
inline std::int16_t ToSample16(float v) { if (std::isnan(v)) return -32768; if (v > 32767.0f) v = 32767.0f; if (v < -32768.0f) v = -32768.0f; return static_cast<std::int16_t>(v); }
