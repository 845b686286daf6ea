#include "mp3dec/layer12_frame.h"

#include <cstring>

#include "mp3dec/crc.h"
#include "mp3dec/layer12.h"

namespace mp3dec {

namespace {

bool crc_fails(const DecodeState& state, unsigned computed) {
    return state.header.error_protection != 0 && computed != state.layer12.crc_word;
}

// Synthesises every channel of one part into time slot `part` of the PCM block.
void synthesize_part(DecodeState& state, int part) {
    for (int ch = 0; ch < state.params.channels; ++ch) {
        polyphase_synthesize(state.synthesis, state.layer12.fraction[ch][part], ch, state.pcm.sample[ch][part]);
    }
}

void queue_block(DecodeState& state, int block, int parts) {
    PcmBlock& kept = state.layer12.previous_output[block];
    for (int ch = 0; ch < state.params.channels; ++ch) {
        std::memcpy(kept.sample[ch], state.pcm.sample[ch], sizeof(state.pcm.sample[ch][0]) * static_cast<std::size_t>(parts));
    }
    emit_pcm(state.output, state.pcm, parts, state.params.channels);
}

// Allocation and scale factors; false when the frame fails its CRC.
bool read_layer1_side(DecodeState& state) {
    Layer12State& l12 = state.layer12;
    read_layer1_allocation(state.reader, state.params, l12);
    read_layer1_scale_factors(state.reader, state.params, l12);
    if (state.header.error_protection != 0) l12.crc_computed = layer1_crc(state.params, l12.allocation);
    return !crc_fails(state, l12.crc_computed);
}

bool read_layer2_side(DecodeState& state) {
    Layer12State& l12 = state.layer12;
    read_layer2_allocation(state.reader, state.params, l12);
    read_layer2_scale_factors(state.reader, state.params, l12);
    if (state.header.error_protection != 0) {
        l12.crc_computed = layer2_crc(state.params, l12.allocation, l12.scale_selection);
    }
    return !crc_fails(state, l12.crc_computed);
}

}  // namespace

void conceal_crc_error(DecodeState& state, int parts) {
    Layer12State& l12 = state.layer12;
    if (!l12.has_previous_output) {
        for (auto& block : l12.previous_output) block = PcmBlock{};
    }
    for (const auto& block : l12.previous_output) emit_pcm(state.output, block, parts, state.params.channels);
    l12.has_previous_output = true;
}

void decode_layer1_frame(DecodeState& state) {
    Layer12State& l12 = state.layer12;
    if (!read_layer1_side(state)) {
        conceal_crc_error(state, 1);
        return;
    }
    for (int block = 0; block < kBlocksPerFrame; ++block) {
        read_layer1_samples(state.reader, state.params, l12);
        requantize_layer1(state.params, l12);
        scale_layer1(state.params, l12);
        synthesize_part(state, 0);
        queue_block(state, block, 1);
    }
    l12.has_previous_output = true;
}

void decode_layer2_frame(DecodeState& state) {
    Layer12State& l12 = state.layer12;
    if (!read_layer2_side(state)) {
        conceal_crc_error(state, 3);
        return;
    }
    for (int block = 0; block < kBlocksPerFrame; ++block) {
        read_layer2_samples(state.reader, state.params, l12);
        requantize_layer2(state.params, l12);
        scale_layer2(state.params, l12, block / 4);
        for (int part = 0; part < 3; ++part) synthesize_part(state, part);
        queue_block(state, block, 3);
    }
    l12.has_previous_output = true;
}

void scan_layer1_frame(DecodeState& state) {
    if (!read_layer1_side(state)) return;
    consume_bits(state.reader,
                 kBlocksPerFrame * static_cast<std::uint64_t>(layer1_sample_bits(state.params, state.layer12)));
}

void scan_layer2_frame(DecodeState& state) {
    if (!read_layer2_side(state)) return;
    consume_bits(state.reader,
                 kBlocksPerFrame * static_cast<std::uint64_t>(layer2_sample_bits(state.params, state.layer12)));
}

}  // namespace mp3dec
