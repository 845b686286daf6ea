#include "mp3dec/free_format.h"

namespace mp3dec {

namespace {
constexpr int kSyncAndHeaderBits = 32;
}  // namespace

bool find_agreeing_free_format_header(BitReader& look, const FrameHeader& header) {
    while (find_frame_sync(look) != 0) {
        const std::uint32_t bits = header_bits_after_sync(look);
        const FrameHeader next = header_from_bits(bits);
        if (header_bits_are_valid(bits) && next.bitrate_index == 0 && same_stream_kind(next, header)) return true;
        rewind_to_byte_start(look);
    }
    return false;
}

int measure_free_format_frame(StreamCursor& state) {
    const FrameHeader& header = state.header;
    const int padding_bytes = header.padding != 0 ? (header.layer == 1 ? 4 : 1) : 0;
    // The unpadded length is the same for every frame of the stream. Measuring it once keeps a false sync
    // word inside the data of a later frame from cutting that frame short.
    if (state.free_format_base_bytes > 0) return state.free_format_base_bytes + padding_bytes;

    BitReader& look = state.lookahead;
    const std::uint32_t frame_start = bits_consumed(state.reader) - kSyncAndHeaderBits;
    // Searching from the frame's third byte on: a sync word any earlier would overlap this header.
    const std::uint32_t search_from = frame_start + 16;
    if (bits_consumed(look) < search_from) skip_bits(look, search_from - bits_consumed(look));

    if (find_agreeing_free_format_header(look, header)) {
        const std::uint32_t next_start = bits_consumed(look) - kSyncWordWidth;
        const int frame_bytes = static_cast<int>((next_start - frame_start) / 8);
        state.free_format_base_bytes = frame_bytes - padding_bytes;
        return frame_bytes;
    }
    // A lone free-format frame: nothing follows it, so it runs to the end of the stream.
    return 0;
}

}  // namespace mp3dec
