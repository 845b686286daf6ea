#pragma once
// The Layer III main-data reservoir: the main data of successive frames, one byte per entry, in a ring
// of 4096 entries. Main data of a frame may begin inside the bytes of earlier frames, so the reader
// runs behind the writer and is moved back by 4096 entries whenever it has gone far enough.

#include <cstdint>

namespace mp3dec {

constexpr std::uint32_t kReservoirEntries = 4096;

struct MainDataReservoir {
    std::uint8_t entries[kReservoirEntries] = {};  // one stored byte each
    std::uint32_t write_count = 0;  // bytes ever stored; never reduced
    std::uint32_t read_index = 0;   // entry being read (modulo the ring size)
    std::uint32_t bits_left = 8;    // bits still unread in that entry, 1..8
    std::uint32_t total_bits = 0;   // bits read so far, less what was rewound
};

// Stores one byte; any width other than 8 prints "Not Supported yet!!" and stops the decoder.
void reservoir_put_byte(MainDataReservoir& reservoir, std::uint32_t value, int width);
// Reads that leave the current entry: the general case of reservoir_get_bits, without the count update.
std::uint32_t reservoir_get_bits_across(MainDataReservoir& reservoir, int n);

// The next n bits (n <= 32), most significant first; 0 for n <= 0. Reading past the entry after the
// last one stored prints "Buffer overflow !!" and stops the decoder.
inline std::uint32_t reservoir_get_bits(MainDataReservoir& reservoir, int n) {
    reservoir.total_bits += static_cast<std::uint32_t>(n);
    if (n <= 0) return 0;
    if (static_cast<std::uint32_t>(n) < reservoir.bits_left) {  // within the current entry: the common case
        reservoir.bits_left -= static_cast<std::uint32_t>(n);
        const std::uint32_t entry = reservoir.entries[reservoir.read_index % kReservoirEntries] & 0xFFu;
        return (entry >> reservoir.bits_left) & ((1u << n) - 1u);
    }
    return reservoir_get_bits_across(reservoir, n);
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

// The next n bits (n <= 24) without consuming them. Bits beyond the stored bytes read as whatever the
// ring holds there; a caller consumes only what its code really uses.
inline std::uint32_t reservoir_peek_bits(const MainDataReservoir& reservoir, int n) {
    // Up to 32 bits starting in the current entry, left-aligned in a 64-bit window.
    const std::uint32_t index = reservoir.read_index;
    std::uint64_t window = reservoir.entries[index % kReservoirEntries] & ((1u << reservoir.bits_left) - 1u);
    int have = static_cast<int>(reservoir.bits_left);
    for (std::uint32_t next = index + 1; have < n; ++next) {
        window = (window << 8) | (reservoir.entries[next % kReservoirEntries] & 0xFFu);
        have += 8;
    }
    return static_cast<std::uint32_t>(window >> (have - n)) & ((1u << n) - 1u);
}

}  // namespace mp3dec
