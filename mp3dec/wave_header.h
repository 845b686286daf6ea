#pragma once
// The 44-byte header of the decoder's WAV output, little-endian throughout.

#include <cstdint>

namespace mp3dec {

struct RiffPart {
    std::uint32_t riff_size = 0;  // data size + 36
};
struct FormatPart {
    std::uint16_t format_tag = 1;
    std::uint16_t channels = 0;
    std::uint32_t samples_per_second = 0;
    std::uint32_t bytes_per_second = 0;
    std::uint16_t block_align = 0;
    std::uint16_t bits_per_sample = 16;
};
struct DataPart {
    std::uint32_t data_size = 0;
};
struct WaveHeader {
    RiffPart riff;
    FormatPart format;
    DataPart data;
};

constexpr int kWaveHeaderBytes = 44;

// The header of `sample_frames` 16-bit sample frames; `channels` 1 is mono, anything else stereo.
WaveHeader wave_header_for(int channels, int samples_per_second, std::uint32_t sample_frames);
void store_wave_header(const WaveHeader& header, std::uint8_t bytes[kWaveHeaderBytes]);

}  // namespace mp3dec
