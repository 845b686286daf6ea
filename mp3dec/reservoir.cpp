#include "mp3dec/reservoir.h"

#include <cstdio>

#include "mp3dec/decoder_stop.h"

namespace mp3dec {
namespace {

std::uint32_t entry_at(const MainDataReservoir& reservoir, std::uint32_t index) {
    return reservoir.entries[index % kReservoirEntries] & 0xFFu;
}

// Moves to the next entry once the current one is used up.
void advance_if_used_up(MainDataReservoir& reservoir) {
    if (reservoir.bits_left != 0) return;
    reservoir.bits_left = 8;
    ++reservoir.read_index;
    // Reading the entry at exactly the write count is still allowed; the one after is not.
    if (reservoir.read_index > reservoir.write_count) {
        std::printf("Buffer overflow !!\n");
        stop_decoder();
    }
}

}  // namespace

void reservoir_put_byte(MainDataReservoir& reservoir, std::uint32_t value, int width) {
    if (width != 8) {
        std::printf("Not Supported yet!!\n");
        stop_decoder();
    }
    reservoir.entries[reservoir.write_count % kReservoirEntries] = value & 0xFFu;
    ++reservoir.write_count;
}

std::uint32_t reservoir_get_bits_across(MainDataReservoir& reservoir, int n) {
    std::uint32_t value = 0;
    std::uint32_t wanted = static_cast<std::uint32_t>(n > 32 ? 32 : n);
    while (wanted > 0) {
        const std::uint32_t take = wanted < reservoir.bits_left ? wanted : reservoir.bits_left;
        const std::uint32_t shift = reservoir.bits_left - take;
        const std::uint32_t bits = (entry_at(reservoir, reservoir.read_index) >> shift) & ((1u << take) - 1u);
        value = take == 32 ? bits : (value << take) | bits;
        reservoir.bits_left -= take;
        wanted -= take;
        advance_if_used_up(reservoir);
    }
    return value;
}

void reservoir_skip_bits(MainDataReservoir& reservoir, std::uint32_t n) {
    while (n > 0) {
        const int chunk = n > 24 ? 24 : static_cast<int>(n);
        reservoir_get_bits(reservoir, chunk);
        n -= static_cast<std::uint32_t>(chunk);
    }
}

std::uint32_t reservoir_position(const MainDataReservoir& reservoir) {
    return reservoir.total_bits;
}

void reservoir_rewind_bits(MainDataReservoir& reservoir, std::uint32_t n) {
    reservoir.total_bits -= n;
    reservoir.bits_left += n % 8;
    reservoir.read_index -= n / 8;
    if (reservoir.bits_left > 8) {
        reservoir.bits_left -= 8;
        --reservoir.read_index;
    }
}

void reservoir_rewind_bytes(MainDataReservoir& reservoir, std::uint32_t n) {
    reservoir.total_bits -= 8 * n;
    reservoir.read_index -= n;
}

}  // namespace mp3dec
