#include "mp3dec/frame_loop.h"

#include <memory>

#include "mp3dec/frame_sync.h"
#include "mp3dec/free_format.h"
#include "mp3dec/layer12_frame.h"
#include "mp3dec/layer3.h"

namespace mp3dec {

namespace {

// Finds the next sync word followed by a header without reserved values; a sync word that leads a
// reserved header is passed over and the search resumes inside it. Until the first frame, a sync word
// must also lead a frame that another one follows (frame_sync.h).
int find_frame(StreamCursor& state) {
    BitReader& reader = state.reader;
    while (find_frame_sync(reader) != 0) {
        if (header_bits_are_valid(header_bits_after_sync(reader)) &&
            (state.frame_count > 0 || frame_is_confirmed(reader)))
            return 1;
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
    state.bits_per_slot = frame_slot_bits(state.header);
    state.samples_per_frame = frame_samples(state.header);
    switch (state.header.layer) {
        case 1: scan ? scan_layer1_frame(state) : decode_layer1_frame(state); break;
        case 2: scan ? scan_layer2_frame(state) : decode_layer2_frame(state); break;
        case 3: scan ? scan_layer3_frame(state) : decode_layer3_frame(state); break;
        default: break;
    }
}

// Slots of the current frame, padding included; 0 when the length is unknown.
long frame_slots(const StreamCursor& state) {
    if (state.header.bitrate_index == 0) return state.free_format_frame_bytes * 8L / state.bits_per_slot;
    return stated_frame_slots(state.header);
}

// Reads past the ancillary data so that the reader stands on the next frame's sync word.
void skip_ancillary_data(StreamCursor& state) {
    if (state.bits_per_slot == 0) return;
    const long read_in_frame = static_cast<long>(bits_consumed(state.reader) - state.bits_up_to_sync) + kSyncWordWidth;
    const long remaining = frame_slots(state) * state.bits_per_slot - read_in_frame;
    if (remaining > 0) skip_bits(state.reader, static_cast<std::uint64_t>(remaining));
}

// The tag of the frame whose sync word the reader has just passed, read from that frame's bytes alone.
std::optional<LeadingTag> tag_of_found_frame(const StreamCursor& state) {
    const FrameHeader header = header_from_bits(header_bits_after_sync(state.reader));
    if (header.layer != 3) return std::nullopt;
    const std::uint64_t start = (state.reader.position - kSyncWordWidth) / 8;
    const std::uint64_t bytes = found_frame_bytes(state.reader);
    if (bytes == 0 || start + bytes > state.reader.size) return std::nullopt;
    const std::optional<InfoTag> tag =
        parse_info_tag(std::span<const std::uint8_t>(state.reader.data + start, static_cast<std::size_t>(bytes)),
                       header, state.reader.size - start - bytes);
    if (!tag) return std::nullopt;
    return LeadingTag{*tag, header};
}

// Steps over the first frame when it is an encoder's tag frame; true then.
bool pass_tag_frame(StreamCursor& state) {
    if (state.frame_count > 0 || state.first_frame_checked) return false;
    state.first_frame_checked = true;
    if (!tag_of_found_frame(state)) return false;
    skip_bits(state.reader, found_frame_bytes(state.reader) * 8 - kSyncWordWidth);
    return true;
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

std::optional<LeadingTag> find_leading_tag(const StreamBytes& stream) {
    auto cursor = std::make_unique<StreamCursor>();
    start_stream(*cursor, stream);
    if (find_frame(*cursor) == 0) return std::nullopt;
    return tag_of_found_frame(*cursor);
}

bool run_frames(DecodeState& state, std::uint32_t end_frame) {
    while (!at_end_of_stream(state.reader)) {
        if (state.frame_count >= end_frame) return false;
        const int found = find_frame(state);
        account_frame_bits(state);
        if (found == 0) break;
        if (pass_tag_frame(state)) continue;
        run_one_frame(state);
    }
    return true;
}

}  // namespace mp3dec
