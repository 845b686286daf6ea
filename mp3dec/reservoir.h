#pragma once
// The Layer III main-data reservoir: the main data of successive frames, one byte per entry, in a ring
// of 4096 entries. Main data of a frame may begin inside the bytes of earlier frames, so the reader
// runs behind the writer and is moved back by 4096 entries whenever it has gone far enough.

#include <bit>
#include <cstdint>
#include <cstring>

namespace mp3dec {

constexpr std::uint32_t kReservoirEntries = 4096;
// The first entries are kept once more after the last, so that eight entries from any one lie side by side.
constexpr std::uint32_t kReservoirMirror = 8;

struct MainDataReservoir {
    std::uint8_t entries[kReservoirEntries + kReservoirMirror] = {};  // one stored byte each
    std::uint32_t write_count = 0;  // bytes ever stored; never reduced
    std::uint32_t read_index = 0;   // entry being read (modulo the ring size)
    std::uint32_t bits_left = 8;    // bits still unread in that entry, 1..8
    std::uint32_t total_bits = 0;   // bits read so far, less what was rewound
};

// Stores one byte; any width other than 8 stops the decoder with "Not Supported yet!!".
void reservoir_put_byte(MainDataReservoir& reservoir, std::uint32_t value, int width);
// Stores bytes taken in order from a frame.
void reservoir_put_bytes(MainDataReservoir& reservoir, const std::uint8_t* bytes, std::uint32_t count);

// Reading many fields in a row: the read position as one bit address (8 bits per entry), checked against
// the end of the stored bytes. Reading may end in the entry at the write count, not beyond it.
struct ReservoirCursor {
    const std::uint8_t* entries;
    std::uint64_t bit;    // 8 * read index + the bits already taken from that entry
    std::uint64_t limit;  // a read that ends at or past this bit went beyond the stored bytes
};

inline ReservoirCursor reservoir_cursor(const MainDataReservoir& reservoir) {
    return {reservoir.entries, 8 * static_cast<std::uint64_t>(reservoir.read_index) + 8 - reservoir.bits_left,
            8 * (static_cast<std::uint64_t>(reservoir.write_count) + 1)};
}

// The next 57 bits at the cursor, most significant first, in the top of the value (the low 7 bits are not
// part of it). Bits beyond the stored bytes read as whatever the ring holds there.
inline std::uint64_t cursor_window(const ReservoirCursor& cursor) {
    std::uint64_t window;
    std::memcpy(&window, cursor.entries + ((cursor.bit >> 3) % kReservoirEntries), sizeof window);
    if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
    return window << (cursor.bit & 7);
}
constexpr int kCursorWindowBits = 57;

// The n bits (1 <= n <= 32) at the cursor, without moving it.
inline std::uint32_t cursor_peek(const ReservoirCursor& cursor, int n) {
    return static_cast<std::uint32_t>(cursor_window(cursor) >> (64 - n));
}

// Stops the decoder with "Buffer overflow !!" once the cursor has read past the stored bytes.
void stop_at_overflow(const ReservoirCursor& cursor);
inline void cursor_check(const ReservoirCursor& cursor) {
    if (cursor.bit >= cursor.limit) stop_at_overflow(cursor);
}

// Moves the reservoir to the cursor, counting the bits in between as read (or rewound).
inline void reservoir_settle(MainDataReservoir& reservoir, const ReservoirCursor& cursor) {
    const std::uint64_t before = 8 * static_cast<std::uint64_t>(reservoir.read_index) + 8 - reservoir.bits_left;
    reservoir.total_bits += static_cast<std::uint32_t>(cursor.bit - before);
    reservoir.read_index = static_cast<std::uint32_t>(cursor.bit >> 3);
    reservoir.bits_left = 8 - static_cast<std::uint32_t>(cursor.bit & 7);
}

// The next n bits (n <= 32), most significant first; 0 for n <= 0. Reading past the entry at the write
// count stops the decoder with "Buffer overflow !!".
inline std::uint32_t reservoir_get_bits(MainDataReservoir& reservoir, int n) {
    if (n <= 0) {
        reservoir.total_bits += static_cast<std::uint32_t>(n);
        return 0;
    }
    ReservoirCursor cursor = reservoir_cursor(reservoir);
    const std::uint32_t value = cursor_peek(cursor, n > 32 ? 32 : n);
    cursor.bit += static_cast<std::uint64_t>(n);
    cursor_check(cursor);
    reservoir_settle(reservoir, cursor);
    return value;
}

inline unsigned reservoir_get_bit(MainDataReservoir& reservoir) {
    return reservoir_get_bits(reservoir, 1);
}
// Skips n bits (any count) with the same checks as reading them.
void reservoir_skip_bits(MainDataReservoir& reservoir, std::uint32_t n);
// Total bits read.
std::uint32_t reservoir_position(const MainDataReservoir& reservoir);
void reservoir_rewind_bits(MainDataReservoir& reservoir, std::uint32_t n);
void reservoir_rewind_bytes(MainDataReservoir& reservoir, std::uint32_t n);

// The next n bits (n <= 24) without consuming them.
inline std::uint32_t reservoir_peek_bits(const MainDataReservoir& reservoir, int n) {
    return cursor_peek(reservoir_cursor(reservoir), n);
}

}  // namespace mp3dec
