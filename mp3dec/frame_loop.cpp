#include "mp3dec/frame_loop.h"

#include "mp3dec/free_format.h"
#include "mp3dec/layer12_frame.h"
#include "mp3dec/layer3.h"

namespace mp3dec {

namespace {

constexpr int kHeaderBitsAfterSync = 20;

// Finds the next sync word followed by a header without reserved values; a sync word that leads a
// reserved header is passed over and the search resumes inside it.
int find_frame(BitReader& reader) {
    while (find_sync(reader, kSyncWord, kSyncWordWidth) != 0) {
        if (header_bits_are_valid(peek_bits(reader, kHeaderBitsAfterSync))) return 1;
        rewind_to_byte_start(reader);
    }
    return 0;
}

void account_frame_bits(DecodeState& state) {
    const std::uint32_t frame_bits = bits_consumed(state.reader) - state.bits_up_to_sync;
    if (state.frame_count > 0 && state.bits_per_slot > 0 &&
        frame_bits % static_cast<std::uint32_t>(state.bits_per_slot) != 0) {
        const auto per_slot = static_cast<std::uint32_t>(state.bits_per_slot);
        report_diagnostic(state.output,
                          format_diagnostic(DiagnosticStream::standard_error, "Got %ld bits = %ld slots plus %ld\n",
                                            static_cast<long>(frame_bits), static_cast<long>(frame_bits / per_slot),
                                            static_cast<long>(frame_bits % per_slot)));
    }
    state.bits_up_to_sync += frame_bits;
}

void run_frame_body(DecodeState& state) {
    const bool scan = state.work == FrameWork::scan;
    switch (state.header.layer) {
        case 1:
            state.bits_per_slot = 32;
            state.samples_per_frame = 384;
            scan ? scan_layer1_frame(state) : decode_layer1_frame(state);
            break;
        case 2:
            state.bits_per_slot = 8;
            state.samples_per_frame = 1152;
            scan ? scan_layer2_frame(state) : decode_layer2_frame(state);
            break;
        case 3:
            state.bits_per_slot = 8;
            state.samples_per_frame = state.header.version == 1 ? 1152 : 576;
            scan ? scan_layer3_frame(state) : decode_layer3_frame(state);
            break;
        default: break;
    }
}

// Slots of the current frame, padding included; 0 when the length is unknown.
long frame_slots(const StreamCursor& state) {
    const FrameHeader& header = state.header;
    if (header.bitrate_index == 0) return state.free_format_frame_bytes * 8L / state.bits_per_slot;
    const double khz = sampling_frequency_khz(header.version, header.sampling_frequency_index);
    const int kbps = bitrate_kbps(header.version, header.layer, header.bitrate_index);
    const auto slots = static_cast<long>(state.samples_per_frame / khz * kbps / state.bits_per_slot);
    return slots + header.padding;
}

// Reads past the ancillary data so that the reader stands on the next frame's sync word.
void skip_ancillary_data(StreamCursor& state) {
    if (state.bits_per_slot == 0) return;
    const long read_in_frame = static_cast<long>(bits_consumed(state.reader) - state.bits_up_to_sync) + kSyncWordWidth;
    const long remaining = frame_slots(state) * state.bits_per_slot - read_in_frame;
    if (remaining > 0) skip_bits(state.reader, static_cast<std::uint64_t>(remaining));
}

void run_one_frame(DecodeState& state) {
    read_frame_header(state.reader, state.header);
    derive_stream_params(state.params);
    state.granules_per_frame = state.header.version == 1 ? 2 : 1;
    state.free_format_frame_bytes = state.header.bitrate_index == 0 ? measure_free_format_frame(state) : 0;
    if (state.frame_count == 0) report_progress(state.output, 0);  // opens the progress display
    report_progress(state.output, static_cast<int>(state.frame_count));
    ++state.frame_count;
    if (state.header.error_protection != 0) state.layer12.crc_word = read_crc_word(state.reader);
    run_frame_body(state);
    skip_ancillary_data(state);
}

}  // namespace

void start_stream(StreamCursor& state, const StreamBytes& stream) {
    const std::span<const std::uint8_t> bytes = stream.bytes();
    bit_reader_attach(state.reader, bytes.data(), bytes.size());
    bit_reader_attach(state.lookahead, bytes.data(), bytes.size());
    skip_bits(state.reader, 8 * static_cast<std::uint64_t>(stream.first_search_byte()));
}

bool run_frames(DecodeState& state, std::uint32_t end_frame) {
    while (!at_end_of_stream(state.reader)) {
        if (state.frame_count >= end_frame) return false;
        const int found = find_frame(state.reader);
        account_frame_bits(state);
        if (found == 0) break;
        run_one_frame(state);
    }
    return true;
}

}  // namespace mp3dec
