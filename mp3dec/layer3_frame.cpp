// One Layer III frame: side information, main data into the reservoir, then per granule scale factors,
// Huffman decoding, requantisation, stereo processing, reordering, alias reduction, hybrid and polyphase
// synthesis.

#include "mp3dec/decoder_state.h"
#include "mp3dec/huffman.h"
#include "mp3dec/layer3.h"
#include "mp3dec/layer3_hybrid.h"
#include "mp3dec/layer3_reorder.h"
#include "mp3dec/layer3_requantize.h"
#include "mp3dec/layer3_stereo.h"

namespace mp3dec {
namespace {

constexpr long kRewindBytes = static_cast<long>(kReservoirEntries);

// The frame's main data is byte-aligned: it is stored as it stands in the stream, with zeros for what lies
// past the end of the stream (what reading it would give).
void store_main_data(StreamCursor& state, int bytes) {
    BitReader& reader = state.reader;
    MainDataReservoir& reservoir = state.reservoir;
    const auto count = static_cast<std::uint32_t>(bytes);
    if (reader.position % 8 != 0) {
        for (std::uint32_t i = 0; i < count; ++i) reservoir_put_byte(reservoir, read_bits(reader, 8), 8);
        return;
    }
    const std::uint64_t first = reader.position / 8;
    const std::uint64_t stored = first < reader.size ? reader.size - first : 0;
    const auto available = static_cast<std::uint32_t>(stored < count ? stored : count);
    reservoir_put_bytes(reservoir, reader.data + first, available);
    static constexpr std::uint8_t kZeros[256] = {};
    for (std::uint32_t missing = count - available; missing > 0;) {
        const std::uint32_t run = missing < sizeof kZeros ? missing : static_cast<std::uint32_t>(sizeof kZeros);
        reservoir_put_bytes(reservoir, kZeros, run);
        missing -= run;
    }
    consume_bits(reader, 8 * static_cast<std::uint64_t>(count));
}

// Positions the reservoir at the first main-data byte of this frame. False when that byte lies before the
// bytes stored (a stream entered in the middle): the frame is then dropped.
bool locate_main_data(StreamCursor& l3, int main_data_begin, int frame_bytes) {
    MainDataReservoir& reservoir = l3.reservoir;
    long main_data_end = static_cast<long>(reservoir_position(reservoir) / 8);
    const std::uint32_t partial = reservoir_position(reservoir) % 8;
    if (partial != 0) {
        reservoir_get_bits(reservoir, static_cast<int>(8 - partial));
        ++main_data_end;
    }
    long discard = l3.frame_start - main_data_end - main_data_begin;
    if (main_data_end > kRewindBytes) {
        l3.frame_start -= kRewindBytes;
        reservoir_rewind_bytes(reservoir, kReservoirEntries);
    }
    l3.frame_start += frame_bytes;
    if (discard < 0) return false;
    reservoir_skip_bits(reservoir, static_cast<std::uint32_t>(discard) * 8u);
    return true;
}

void decode_channel(DecodeState& state, int granule, int channel) {
    Layer3State& l3 = state.layer3;
    MainDataReservoir& reservoir = state.reservoir;
    const std::uint32_t part2_start = reservoir_position(reservoir);
    if (state.header.version == 1) {
        read_scale_factors(reservoir, l3.scale_factors[channel], l3.side_info, granule, channel);
    } else {
        read_lsf_scale_factors(reservoir, l3.scale_factors[channel], l3.side_info, granule, channel, state.params);
    }
    const DiagnosticFn report = [&state](const Diagnostic& diagnostic) { report_diagnostic(state.output, diagnostic); };
    const int nonzero_end =
        decode_huffman_samples(l3.quantized, l3.side_info, channel, granule, part2_start, state.params, reservoir,
                               state.output != nullptr ? report : DiagnosticFn{});
    requantize_samples(l3.quantized, l3.requantized[channel], l3.scale_factors[channel],
                       l3.side_info.channel[channel].granule[granule], state.params, nonzero_end);
}

// Number of leading subbands that hold a non-zero value.
int nonzero_subband_count(const double values[576]) {
    int k = 575;
    while (k >= 0 && values[k] == 0.0) --k;
    return k < 0 ? 0 : k / 18 + 1;
}

// Reorder, alias reduction, inverse transforms with overlap-add, frequency inversion and the polyphase
// synthesis of 18 time slots into the PCM block.
void synthesize_channel(DecodeState& state, int granule, int channel) {
    Layer3State& l3 = state.layer3;
    const GranuleChannelInfo& info = l3.side_info.channel[channel].granule[granule];
    // Reordering leaves long blocks as they are; only short blocks need the copy it makes. Alias reduction
    // then works in place.
    double* ordered = l3.stereo[channel];
    if (has_short_blocks(info)) {
        reorder_short_blocks(l3.stereo[channel], l3.reordered, info, state.params);
        ordered = l3.reordered;
    }
    // Above the last non-zero line the spectrum is silent; alias reduction reaches one subband further.
    const int nonzero_subbands = nonzero_subband_count(ordered);
    alias_reduce(ordered, ordered, info, nonzero_subbands);
    hybrid_synthesis_granule(ordered, l3.slots, l3.overlap[channel], info, nonzero_subbands + 1);
    for (int slot = 0; slot < 18; ++slot) {
        polyphase_synthesize(state.synthesis, l3.slots[slot], channel, state.pcm.sample[channel][slot]);
    }
}

void decode_granule(DecodeState& state, int granule) {
    Layer3State& l3 = state.layer3;
    const int channels = state.params.channels;
    for (int ch = 0; ch < channels; ++ch) decode_channel(state, granule, ch);
    process_stereo(l3.requantized, l3.stereo, l3.scale_factors, l3.side_info.channel[0].granule[granule],
                   l3.side_info.channel[1].granule[granule], state.params);
    for (int ch = 0; ch < channels; ++ch) synthesize_channel(state, granule, ch);
    emit_pcm(state.output, state.pcm, kTimeSlots, state.params.channels);
}

// Side information and main data; false when the frame's main data begins before the bytes stored.
bool read_frame_main_data(DecodeState& state) {
    SideInfo& side_info = state.layer3.side_info;
    read_side_info(state.reader, side_info, state.params);
    const int frame_bytes = main_data_byte_count(state.params, state.free_format_frame_bytes);
    store_main_data(state, frame_bytes);
    return locate_main_data(state, side_info.main_data_begin, frame_bytes);
}

}  // namespace

void decode_layer3_frame(DecodeState& state) {
    if (!read_frame_main_data(state)) return;
    for (int granule = 0; granule < state.granules_per_frame; ++granule) decode_granule(state, granule);
}

void scan_layer3_frame(DecodeState& state) {
    if (!read_frame_main_data(state)) return;
    const SideInfo& side_info = state.layer3.side_info;
    for (int granule = 0; granule < state.granules_per_frame; ++granule) {
        for (int ch = 0; ch < state.params.channels; ++ch) {
            reservoir_skip_bits(state.reservoir,
                                static_cast<std::uint32_t>(side_info.channel[ch].granule[granule].part2_3_length));
        }
    }
}

}  // namespace mp3dec
