#pragma once
// Layer I and Layer II: reading the bit allocation, scale-factor selection and scale factors of a frame,
// and per block the sample codes, their requantisation and scaling into subband samples.

#include "mp3dec/decoder_state.h"

namespace mp3dec {

constexpr int kNoScaleFactor = 63;

void read_layer1_allocation(BitReader& reader, const StreamParams& params, Layer12State& state);
void read_layer1_scale_factors(BitReader& reader, const StreamParams& params, Layer12State& state);
void read_layer1_samples(BitReader& reader, const StreamParams& params, Layer12State& state);
// Bits that read_layer1_samples takes for one block with the frame's allocation.
int layer1_sample_bits(const StreamParams& params, const Layer12State& state);
void requantize_layer1(const StreamParams& params, Layer12State& state);
void scale_layer1(const StreamParams& params, Layer12State& state);
// One Layer I sample: allocation a (1..14) and its code of a + 1 bits.
double requantize_layer1_sample(int allocation, std::uint32_t code);

void read_layer2_allocation(BitReader& reader, const StreamParams& params, Layer12State& state);
// Reads the scale-factor selection information, then the scale factors.
void read_layer2_scale_factors(BitReader& reader, const StreamParams& params, Layer12State& state);
void read_layer2_samples(BitReader& reader, const StreamParams& params, Layer12State& state);
// Bits that read_layer2_samples takes for one block with the frame's allocation.
int layer2_sample_bits(const StreamParams& params, const Layer12State& state);
void requantize_layer2(const StreamParams& params, Layer12State& state);
// Scales all three parts with scale-factor part `scale_part` (block index / 4).
void scale_layer2(const StreamParams& params, Layer12State& state, int scale_part);
// One Layer II value of a class with `steps` quantisation steps.
double requantize_layer2_sample(const AllocEntry& entry, std::uint32_t value);
// Splits a grouped code into its three values, remainder first.
void ungroup_layer2_code(std::uint32_t code, int steps, std::uint32_t values[3]);

}  // namespace mp3dec
