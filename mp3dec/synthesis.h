#pragma once
// The polyphase synthesis filterbank: 32 subband samples of one channel become 32 PCM samples.
// Each decode owns one SynthesisState, so no history carries over from a previous file.

#include <cstdint>

namespace mp3dec {

constexpr int kMaxChannels = 2;
constexpr int kTimeSlots = 18;

// PCM output of up to 18 time slots for both channels, indexed [channel][time slot][subband position].
struct PcmBlock {
    std::int16_t sample[kMaxChannels][kTimeSlots][32] = {};
};

// Per-channel history of the matrixed vectors. Stored as 16 rows of 64 values (a ring of 1024 values);
// `offset` is where the newest vector starts, as in the direct formulation.
struct SynthesisState {
    alignas(64) double history[kMaxChannels][1024] = {};
    int offset[kMaxChannels] = {64, 64};
};

// Returns the number of samples clipped to the 16-bit range.
int polyphase_synthesize(SynthesisState& state, const double input[32], int channel, std::int16_t output[32]);

// A window sum scaled to 16 bits: halves away from zero, then clipped (counted in `clipped`).
std::int16_t round_to_pcm(double sum, int& clipped);
// round_to_pcm for the 32 sums of a block, four lanes at a time; returns the number clipped.
int round_block_to_pcm(const double sums[32], std::int16_t output[32]);

// The constant tables of the filterbank (built once per process).
const double* synthesis_window();    // D[i], 512 values
const double* matrixing_table();     // N[i][k], 64 x 32 values, row-major

}  // namespace mp3dec
