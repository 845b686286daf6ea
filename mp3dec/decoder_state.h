#pragma once
// Everything one decode works on. A fresh instance per decode keeps files from leaking into each other
// (synthesis history, output queue, Layer III reservoir and overlap memory).

#include <cstdint>
#include <cstdio>
#include <string>

#include "mp3dec/bitstream.h"
#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_state.h"
#include "mp3dec/output_queue.h"
#include "mp3dec/synthesis.h"

namespace mp3dec {

// Layer I and II working arrays: [channel][subband] and [channel][part 0..2][subband].
struct Layer12State {
    int allocation[kMaxChannels][32] = {};
    int scale_selection[kMaxChannels][32] = {};
    unsigned scale_index[kMaxChannels][3][32] = {};
    std::uint32_t sample_code[kMaxChannels][3][32] = {};
    double fraction[kMaxChannels][3][32] = {};
    unsigned crc_word = 0;
    unsigned crc_computed = 0;
    // The PCM output of the latest Layer I/II frame, repeated in place of a frame that fails its CRC.
    PcmBlock previous_output[12];
    bool has_previous_output = false;
};

struct DecodeState {
    BitReader reader;
    FrameHeader header;
    StreamParams params;  // params.header points at header

    PcmBlock pcm;
    SynthesisState synthesis;
    PcmOutputQueue queue;
    std::FILE* output = nullptr;

    std::uint32_t frame_count = 0;
    std::uint32_t sample_frames = 0;  // one per output time instant, all channels together
    std::uint32_t bits_up_to_sync = 0;  // total bits consumed up to the latest sync word
    int bits_per_slot = 0;
    int samples_per_frame = 0;
    int granules_per_frame = 0;  // 2 for MPEG-1, 1 for MPEG-2
    // Bytes of the current frame (header included) when its bitrate index is 0 (free format); 0 otherwise.
    int free_format_frame_bytes = 0;

    // A second reader over the same file, used only to measure free-format frames.
    BitReader lookahead;
    std::string path;
    int free_format_base_bytes = 0;  // unpadded free-format frame length, once measured

    Layer12State layer12;
    Layer3State layer3;

    DecodeState() { params.header = &header; }
    ~DecodeState();
    DecodeState(const DecodeState&) = delete;
    DecodeState& operator=(const DecodeState&) = delete;
};

}  // namespace mp3dec
