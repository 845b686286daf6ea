#include "mp3dec/frame_sync.h"

#include <algorithm>

#include "mp3dec/frame_header.h"
#include "mp3dec/free_format.h"

namespace mp3dec {

namespace {

constexpr int kHeaderBits = kSyncWordWidth + kHeaderBitsAfterSync;
// Longer than any free-format frame a decoder meets (Layer III at 640 kbit/s and 32 kHz is 2880 bytes);
// the search for the next header of a false free-format sync word stops there.
constexpr std::uint64_t kLongestFreeFormatBytes = 8192;

std::uint64_t free_format_frame_bytes(const BitReader& reader, const FrameHeader& header, std::uint64_t frame_start) {
    const std::uint64_t search_end = std::min<std::uint64_t>(reader.size, frame_start / 8 + kLongestFreeFormatBytes);
    BitReader look;
    bit_reader_attach(look, reader.data, static_cast<std::size_t>(search_end));
    // From the frame's third byte on: a sync word any earlier would overlap this header.
    skip_bits(look, frame_start + 16);
    if (!find_agreeing_free_format_header(look, header)) return 0;
    return (look.position - kSyncWordWidth - frame_start) / 8;
}

}  // namespace

std::uint64_t found_frame_bytes(const BitReader& reader) {
    const std::uint64_t frame_start = reader.position - kSyncWordWidth;
    const FrameHeader header = header_from_bits(header_bits_after_sync(reader));
    if (header.bitrate_index == 0) return free_format_frame_bytes(reader, header, frame_start);
    return static_cast<std::uint64_t>(stated_frame_slots(header) * frame_slot_bits(header)) / 8;
}

bool frame_is_confirmed(const BitReader& reader) {
    const std::uint64_t frame_start = reader.position - kSyncWordWidth;
    const FrameHeader header = header_from_bits(header_bits_after_sync(reader));
    const std::uint64_t frame_bytes = found_frame_bytes(reader);
    // A free-format frame is confirmed by the header that measured it.
    if (header.bitrate_index == 0) return frame_bytes > 0;

    const std::uint64_t data_end = 8 * static_cast<std::uint64_t>(reader.size);
    const std::uint64_t next = frame_start + 8 * frame_bytes;
    if (next == data_end) return true;
    if (next + kHeaderBits > data_end) return false;
    // Eleven sync bits, then the header from the twelfth on.
    const std::uint32_t word = bits_at(reader, next, kHeaderBits);
    const std::uint32_t bits = word & ((1u << (kHeaderBitsAfterSync + 1)) - 1u);
    return (word >> (kHeaderBitsAfterSync + 1)) == (kSyncWord >> 1) && header_bits_are_valid(bits) &&
           same_stream_kind(header, header_from_bits(bits));
}

}  // namespace mp3dec
