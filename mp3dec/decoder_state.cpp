#include "mp3dec/decoder_state.h"

#include <cstring>

namespace mp3dec {

namespace {

template <typename T>
bool same_bits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool same_reader(const BitReader& a, const BitReader& b) {
    return a.data == b.data && a.size == b.size && a.position == b.position && a.end_bit == b.end_bit &&
           a.end_of_stream == b.end_of_stream;
}

bool same_header(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.error_protection == b.error_protection &&
           a.bitrate_index == b.bitrate_index && a.sampling_frequency_index == b.sampling_frequency_index &&
           a.padding == b.padding && a.extension == b.extension && a.mode == b.mode &&
           a.mode_extension == b.mode_extension && a.copyright == b.copyright && a.original == b.original &&
           a.emphasis == b.emphasis;
}

bool same_reservoir(const MainDataReservoir& a, const MainDataReservoir& b) {
    return a.write_count == b.write_count && a.read_index == b.read_index && a.bits_left == b.bits_left &&
           a.total_bits == b.total_bits && same_bits(a.entries, b.entries);
}

// The parts of the cursor a later frame reads: where the reader stands, the latest header (the WAV header
// and the frame-length accounting of the next frame take it), the counters and the reservoir. The rest
// (parameters, frame sizes) is derived anew from every header.
bool same_cursor(const StreamCursor& a, const StreamCursor& b) {
    return same_reader(a.reader, b.reader) && same_header(a.header, b.header) && a.frame_count == b.frame_count &&
           a.bits_up_to_sync == b.bits_up_to_sync && a.bits_per_slot == b.bits_per_slot &&
           same_reader(a.lookahead, b.lookahead) && a.free_format_base_bytes == b.free_format_base_bytes &&
           same_reservoir(a.reservoir, b.reservoir) && a.frame_start == b.frame_start;
}

// The history is a ring whose newest vector starts at the offset; rings that hold the same vectors in the
// same order from their offsets synthesise alike, wherever the offsets stand.
bool same_synthesis_history(const SynthesisState& a, const SynthesisState& b) {
    constexpr int kVector = 64;
    constexpr int kRing = 1024;
    for (int ch = 0; ch < kMaxChannels; ++ch) {
        for (int start = 0; start < kRing; start += kVector) {
            const double* va = a.history[ch] + ((a.offset[ch] + start) & (kRing - 1));
            const double* vb = b.history[ch] + ((b.offset[ch] + start) & (kRing - 1));
            if (std::memcmp(va, vb, kVector * sizeof(double)) != 0) return false;
        }
    }
    return true;
}

// Long-band scale factors survive into the next frame (a granule that reuses a group keeps them); short
// bands are always read again before they are used.
bool same_long_scale_factors(const ScaleFactors (&a)[2], const ScaleFactors (&b)[2]) {
    return same_bits(a[0].long_band, b[0].long_band) && same_bits(a[1].long_band, b[1].long_band);
}

}  // namespace

StreamCursor& StreamCursor::operator=(const StreamCursor& other) {
    if (this == &other) return *this;
    reader = other.reader;
    header = other.header;
    params = other.params;
    params.header = &header;
    frame_count = other.frame_count;
    bits_up_to_sync = other.bits_up_to_sync;
    bits_per_slot = other.bits_per_slot;
    samples_per_frame = other.samples_per_frame;
    granules_per_frame = other.granules_per_frame;
    free_format_frame_bytes = other.free_format_frame_bytes;
    lookahead = other.lookahead;
    free_format_base_bytes = other.free_format_base_bytes;
    reservoir = other.reservoir;
    frame_start = other.frame_start;
    return *this;
}

bool same_continuation(const DecodeState& a, const DecodeState& b) {
    // Per-granule and per-block work arrays are written before they are read, so they are left out.
    return same_cursor(a, b) && same_synthesis_history(a.synthesis, b.synthesis) &&
           same_bits(a.layer3.overlap, b.layer3.overlap) &&
           same_long_scale_factors(a.layer3.scale_factors, b.layer3.scale_factors) &&
           a.layer12.has_previous_output == b.layer12.has_previous_output &&
           same_bits(a.layer12.previous_output, b.layer12.previous_output);
}

}  // namespace mp3dec
