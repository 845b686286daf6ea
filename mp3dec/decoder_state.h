#pragma once
// Everything one decode works on. A fresh instance per decode keeps streams from leaking into each other
// (synthesis history, Layer III reservoir and overlap memory).
//
// The state falls in two parts. StreamCursor is what finding and stepping over frames needs: the reader,
// the latest header, the frame counters, the free-format length and the Layer III main-data reservoir. It
// evolves the same way whether frames are decoded or only scanned, so a scan can hand a copy of it to a
// worker that decodes from the middle of the stream. The rest is built up by decoding the samples.

#include <cstdint>

#include "mp3dec/bitstream.h"
#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_state.h"
#include "mp3dec/pcm_output.h"
#include "mp3dec/reservoir.h"
#include "mp3dec/synthesis.h"

namespace mp3dec {

struct StreamCursor {
    BitReader reader;
    FrameHeader header;
    StreamParams params;  // params.header points at header

    std::uint32_t frame_count = 0;
    std::uint32_t bits_up_to_sync = 0;  // total bits consumed up to the latest sync word
    int bits_per_slot = 0;
    int samples_per_frame = 0;
    int granules_per_frame = 0;  // 2 for MPEG-1, 1 for MPEG-2
    // Bytes of the current frame (header included) when its bitrate index is 0 (free format); 0 otherwise.
    int free_format_frame_bytes = 0;
    // A second reader over the same stream, used only to measure free-format frames.
    BitReader lookahead;
    int free_format_base_bytes = 0;  // unpadded free-format frame length, once measured

    MainDataReservoir reservoir;
    // Main-data bytes stored for all frames so far, less 4096 for every rewind of the reservoir.
    long frame_start = 0;

    StreamCursor() { params.header = &header; }
    StreamCursor(const StreamCursor& other) { *this = other; }
    StreamCursor& operator=(const StreamCursor& other);
};

// One coded subband and channel of a Layer II frame: where its codes go and how wide they are.
struct Layer2CodeRead {
    std::uint8_t channel = 0;
    std::uint8_t subband = 0;
    std::uint8_t bits = 0;
    bool shared = false;      // from the joint-stereo bound on: the values serve the right channel too
    std::uint16_t steps = 0;  // of a grouped code; 0 for three separate codes
};

// Layer I and II working arrays: [channel][subband] and [channel][part 0..2][subband].
struct Layer12State {
    int allocation[kMaxChannels][32] = {};
    int scale_selection[kMaxChannels][32] = {};
    unsigned scale_index[kMaxChannels][3][32] = {};
    std::uint32_t sample_code[kMaxChannels][3][32] = {};
    double fraction[kMaxChannels][3][32] = {};
    // Layer II: the quantisation class of each subband's allocation in this frame, worked out by the first
    // requantisation after the allocation was read: the sign bit of its codes (0 where nothing is coded), the
    // weight of one unit, D and C.
    bool classes_known = false;
    // Layer II: the codes a block holds, in the order they are read, worked out by the first block read
    // after the allocation was read.
    bool reads_known = false;
    int read_count = 0;
    Layer2CodeRead reads[2 * 32];
    std::int32_t class_sign_bit[kMaxChannels][32] = {};
    double class_unit[kMaxChannels][32] = {};
    double class_d[kMaxChannels][32] = {};
    double class_c[kMaxChannels][32] = {};
    unsigned crc_word = 0;
    unsigned crc_computed = 0;
    // The PCM output of the latest Layer I/II frame, repeated in place of a frame that fails its CRC.
    PcmBlock previous_output[12];
    bool has_previous_output = false;
};

// Whether frames are decoded, or only stepped over as decoding would (reading what decides where a frame
// ends and what the reservoir holds, producing no samples).
enum class FrameWork { decode, scan };

struct DecodeState : StreamCursor {
    FrameWork work = FrameWork::decode;
    DecodeOutput* output = nullptr;  // null: what is decoded is not kept

    PcmBlock pcm;
    SynthesisState synthesis;
    Layer12State layer12;
    Layer3State layer3;
};

// True when everything of the two states that a later frame can read is the same, bit for bit: decoding
// on from either gives the same samples, messages and frame boundaries.
bool same_continuation(const DecodeState& a, const DecodeState& b);

}  // namespace mp3dec
