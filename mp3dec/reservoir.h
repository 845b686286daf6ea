#pragma once
// The Layer III main-data reservoir: the main data of successive frames, one byte per entry, in a ring
// of 4096 entries. Main data of a frame may begin inside the bytes of earlier frames, so the reader
// runs behind the writer and is moved back by 4096 entries whenever it has gone far enough.

#include <cstdint>

namespace mp3dec {

constexpr std::uint32_t kReservoirEntries = 4096;

struct MainDataReservoir {
    std::uint32_t entries[kReservoirEntries] = {};
    std::uint32_t write_count = 0;  // bytes ever stored; never reduced
    std::uint32_t read_index = 0;   // entry being read (modulo the ring size)
    std::uint32_t bits_left = 8;    // bits still unread in that entry, 1..8
    std::uint32_t total_bits = 0;   // bits read so far, less what was rewound
};

// Stores one byte; any width other than 8 prints "Not Supported yet!!" and stops the decoder.
void reservoir_put_byte(MainDataReservoir& reservoir, std::uint32_t value, int width);
// The next n bits (n <= 32), most significant first; 0 for n <= 0. Reading past the entry after the
// last one stored prints "Buffer overflow !!" and stops the decoder.
std::uint32_t reservoir_get_bits(MainDataReservoir& reservoir, int n);
unsigned reservoir_get_bit(MainDataReservoir& reservoir);
// Skips n bits (any count) with the same checks as reading them.
void reservoir_skip_bits(MainDataReservoir& reservoir, std::uint32_t n);
// Total bits read.
std::uint32_t reservoir_position(const MainDataReservoir& reservoir);
void reservoir_rewind_bits(MainDataReservoir& reservoir, std::uint32_t n);
void reservoir_rewind_bytes(MainDataReservoir& reservoir, std::uint32_t n);

// The next n bits (n <= 24) without consuming them. Bits beyond the stored bytes read as whatever the
// ring holds there; a caller consumes only what its code really uses.
std::uint32_t reservoir_peek_bits(const MainDataReservoir& reservoir, int n);

}  // namespace mp3dec
