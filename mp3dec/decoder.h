#pragma once
// The file driver: decoding an MPEG audio file (Layers I, II and III of MPEG-1 and MPEG-2 low sampling
// frequencies, Layer III of MPEG 2.5) into a 16-bit PCM WAV stream written to a file the caller has opened
// for writing and reading. It prints the decoder's messages on standard output and standard error.
// Decoding into memory, with the messages handed to the caller, is decode_stream.h.

#include <cstdint>
#include <cstdio>
#include <string>

#include "mp3dec/decode_callbacks.h"
#include "mp3dec/wave_header.h"

namespace mp3dec {

// 0 = at least one frame decoded; -1 = no frame found, or the decode had to be abandoned;
// 1 = the output file could not be positioned; 2 = the WAV header could not be written.
// `threads` as in DecodeSettings: the file is the same whichever count decodes it.
// `gapless` as in DecodeSettings.
int decode_mpeg_audio_to_wave(std::FILE* output, const std::string& path, const DecodeProgressFn& progress,
                              int threads = 1, bool gapless = false, const ExpectedFramesFn& expected_frames = {});

// Positions the file at 0 and writes the header little-endian; -1 if the positioning fails, else 0.
int write_wave_header(std::FILE* output, const RiffPart& riff, const FormatPart& format, const DataPart& data);

}  // namespace mp3dec

// False when the decode failed; on success the output file is positioned at its start.
bool DecodeMp3ToWave(const std::string& path, std::FILE* output, const mp3dec::DecodeProgressFn& progress = {},
                     int threads = 1, bool gapless = false, const mp3dec::ExpectedFramesFn& expected_frames = {});
