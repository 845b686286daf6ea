#pragma once
// The 32-bit MPEG audio frame header (MPEG-1 and the MPEG-2 low-sampling-frequency extension) and the
// per-frame decoding parameters derived from it, including the Layer II bit-allocation table in use.

#include "mp3dec/bitstream.h"

namespace mp3dec {

struct FrameHeader {
    int version = 0;           // 1 = MPEG-1, 0 = MPEG-2 low sampling frequencies
    int layer = 0;             // 1..3; 4 for the reserved layer bits 00
    int error_protection = 0;  // 1 if a CRC word follows the header
    int bitrate_index = 0;     // 0 = free format, 15 = reserved
    int sampling_frequency_index = 0;  // 3 = reserved
    int padding = 0;
    int extension = 0;
    int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int mode_extension = 0;
    int copyright = 0;
    int original = 0;
    int emphasis = 0;
};

enum ChannelMode { kStereo = 0, kJointStereo = 1, kDualChannel = 2, kSingleChannel = 3 };

// One row of a Layer II bit-allocation table. For index 0 of a subband, `bits` is the width of the
// allocation field; for the other indices it is the width of a sample code.
struct AllocEntry {
    int steps = 0;
    int bits = 0;
    int group = 0;  // 3 = three separate codes, otherwise one grouped code for three samples
    int quant = 0;  // row of the requantisation constants
};

constexpr int kSubbands = 32;
constexpr int kAllocIndices = 16;
using AllocTable = AllocEntry[kSubbands][kAllocIndices];

struct StreamParams {
    FrameHeader* header = nullptr;
    int actual_mode = 0;
    const AllocTable* alloc = nullptr;  // one of the process's constant tables
    int table_number = -1;              // -1 while no table is chosen
    int channels = 0;
    int joint_stereo_bound = 0;  // first subband coded jointly
    int subband_limit = 0;       // number of subbands coded
};

// Constant tables of the standards. Reserved indices read as 0.
int bitrate_kbps(int version, int layer, int bitrate_index);
double sampling_frequency_khz(int version, int sampling_frequency_index);
// Samples per second as the WAV header states them (22050, 24000, 16000, 44100, 48000, 32000).
int sampling_rate_hz(int version, int sampling_frequency_index);

// True when the layer, bitrate and sampling-frequency fields hold no reserved value.
bool is_valid_header(const FrameHeader& header);

// Reads the 20 header bits that follow the sync word.
void read_frame_header(BitReader& reader, FrameHeader& header);
void derive_stream_params(StreamParams& params);
// Prints "js_bound bad layer/modext ..." and stops the decoder for a layer outside 1..3 or an
// extension outside 0..3.
int joint_stereo_bound(int layer, int mode_extension);

// Layer II: selects the allocation table for the current header and returns the subband limit.
int choose_alloc_table(StreamParams& params);
int alloc_table_number(const FrameHeader& header, int channels);
int load_alloc_table(int table_number, AllocTable& table);
// The five tables, loaded once per process.
const AllocTable& loaded_alloc_table(int table_number);

}  // namespace mp3dec
