#include "mp3dec/bitstream.h"

namespace mp3dec {

namespace {

// The staging buffer is refilled before fewer than this many unread bytes remain in it.
constexpr std::size_t kLowWaterBytes = 4;
constexpr std::uint64_t kSkipStepBits = 32;

}  // namespace

std::size_t end_of_stream_byte(std::size_t size, int staging_bytes) {
    const auto buffer = static_cast<std::size_t>(staging_bytes);
    const std::size_t refill = buffer - kLowWaterBytes;  // new bytes per refill after the first fill
    if (size == 0) return 1;                             // the first byte read comes from the empty first fill
    // The fill that comes up short holds the last byte; the end is flagged on reaching that byte's
    // successor or the low-water mark of that fill, whichever comes first.
    const std::size_t short_fill = size < buffer ? 0 : (size - buffer) / refill + 1;
    const std::size_t low_water = refill * (short_fill + 1);
    return size < low_water ? size : low_water;
}

void bit_reader_attach(BitReader& reader, const std::uint8_t* data, std::size_t size, int staging_bytes) {
    reader = BitReader{};
    reader.data = data;
    reader.size = size;
    reader.end_bit = 8 * static_cast<std::uint64_t>(end_of_stream_byte(size, staging_bytes));
}

std::uint32_t read_bits_near_end(const BitReader& reader, std::uint64_t start, int n) {
    std::uint64_t window = 0;
    const std::uint64_t first = start >> 3;
    for (std::uint64_t byte = first; byte < first + 8; ++byte) {
        window = (window << 8) | (byte < reader.size ? reader.data[byte] : 0u);
    }
    return static_cast<std::uint32_t>((window << (start & 7)) >> (64 - n));
}

void skip_bits(BitReader& reader, std::uint64_t n) {
    if (n == 0 || reader.end_of_stream) return;
    if (reader.position + n <= reader.end_bit) {
        reader.position += n;
        return;
    }
    // Skipping goes in 32-bit steps; the step that reaches the end of the stream is the last.
    const std::uint64_t steps = (reader.end_bit - reader.position) / kSkipStepBits + 1;
    const std::uint64_t skipped = steps * kSkipStepBits;
    reader.position += skipped < n ? skipped : n;
    reader.end_of_stream = true;
}

int find_sync(BitReader& reader, std::uint32_t sync_word, int width) {
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
    const int misalignment = static_cast<int>(reader.position % 8);
    if (misalignment != 0) read_bits(reader, 8 - misalignment);
    std::uint32_t value = read_bits(reader, width);
    while ((value & mask) != sync_word && !at_end_of_stream(reader)) {
        value = (value << 8) | read_bits(reader, 8);
    }
    return at_end_of_stream(reader) ? 0 : 1;
}

unsigned read_crc_word(BitReader& reader) {
    return static_cast<unsigned>(read_bits(reader, 16));
}

}  // namespace mp3dec
