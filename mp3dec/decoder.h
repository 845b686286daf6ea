#pragma once
// Decoding an MPEG audio file (Layers I, II and III of MPEG-1 and MPEG-2 low sampling frequencies) into a
// 16-bit PCM WAV stream written to a file the caller has opened for writing and reading.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace mp3dec {

// Called with 0 once before the first frame, then with the number of frames decoded so far before each
// frame (so the first frame reports 0 again), and with -1 once after the last.
using DecodeProgressFn = std::function<void(int)>;

// 0 = at least one frame decoded; -1 = no frame found, or the decode had to be abandoned;
// 1 = the output file could not be positioned; 2 = the WAV header could not be written.
int decode_mpeg_audio_to_wave(std::FILE* output, const std::string& path, const DecodeProgressFn& progress);

// The 44-byte header in its three parts.
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

// Positions the file at 0 and writes the header little-endian; -1 if the positioning fails, else 0.
int write_wave_header(std::FILE* output, const RiffPart& riff, const FormatPart& format, const DataPart& data);

}  // namespace mp3dec

// False when the decode failed; on success the output file is positioned at its start.
bool DecodeMp3ToWave(const std::string& path, std::FILE* output, const mp3dec::DecodeProgressFn& progress = {});
