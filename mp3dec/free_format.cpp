#include "mp3dec/free_format.h"

namespace mp3dec {

namespace {

constexpr int kHeaderBitsAfterSync = 20;
constexpr int kSyncAndHeaderBits = 32;

struct HeaderKey {
    unsigned version;
    unsigned layer_bits;
    unsigned bitrate_index;
    unsigned frequency_index;
};

HeaderKey key_of(std::uint32_t header_bits) {
    return HeaderKey{(header_bits >> 19) & 1u, (header_bits >> 17) & 3u, (header_bits >> 12) & 15u,
                     (header_bits >> 10) & 3u};
}

}  // namespace

bool header_bits_are_valid(std::uint32_t header_bits) {
    const HeaderKey key = key_of(header_bits);
    return key.layer_bits != 0 && key.bitrate_index != 15 && key.frequency_index != 3;
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

    while (find_sync(look, kSyncWord, kSyncWordWidth) != 0) {
        const std::uint32_t bits = peek_bits(look, kHeaderBitsAfterSync);
        const HeaderKey key = key_of(bits);
        const bool agrees = header_bits_are_valid(bits) && key.version == static_cast<unsigned>(header.version) &&
                            4 - static_cast<int>(key.layer_bits) == header.layer && key.bitrate_index == 0 &&
                            static_cast<int>(key.frequency_index) == header.sampling_frequency_index;
        if (agrees) {
            const std::uint32_t next_start = bits_consumed(look) - kSyncWordWidth;
            const int frame_bytes = static_cast<int>((next_start - frame_start) / 8);
            state.free_format_base_bytes = frame_bytes - padding_bytes;
            return frame_bytes;
        }
        rewind_to_byte_start(look);
    }
    // A lone free-format frame: nothing follows it, so it runs to the end of the stream.
    return 0;
}

}  // namespace mp3dec
