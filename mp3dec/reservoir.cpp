#include "mp3dec/reservoir.h"

#include "mp3dec/decoder_stop.h"

namespace mp3dec {
namespace {

std::uint32_t entry_at(const MainDataReservoir& reservoir, std::uint32_t index) {
    return reservoir.entries[index % kReservoirEntries] & 0xFFu;
}

}  // namespace

void reservoir_put_byte(MainDataReservoir& reservoir, std::uint32_t value, int width) {
    if (width != 8) {
        stop_decoder({DiagnosticStream::standard_output, "Not Supported yet!!\n"});
    }
    reservoir.entries[reservoir.write_count % kReservoirEntries] = static_cast<std::uint8_t>(value & 0xFFu);
    ++reservoir.write_count;
}

std::uint32_t reservoir_get_bits_across(MainDataReservoir& reservoir, int n) {
    const int wanted = n > 32 ? 32 : n;
    // The bits are those a peek shows; then the position moves on by whole entries at once.
    std::uint64_t window = entry_at(reservoir, reservoir.read_index) & ((1u << reservoir.bits_left) - 1u);
    int have = static_cast<int>(reservoir.bits_left);
    for (std::uint32_t next = reservoir.read_index + 1; have < wanted; ++next) {
        window = (window << 8) | entry_at(reservoir, next);
        have += 8;
    }
    const std::uint32_t value =
        static_cast<std::uint32_t>((window >> (have - wanted)) & ((std::uint64_t{1} << wanted) - 1u));
    const std::uint32_t consumed = (8u - reservoir.bits_left) + static_cast<std::uint32_t>(wanted);
    reservoir.read_index += consumed / 8u;
    reservoir.bits_left = 8u - consumed % 8u;
    // Reading the entry at exactly the write count is still allowed; moving past it is not.
    if (reservoir.read_index > reservoir.write_count) {
        stop_decoder({DiagnosticStream::standard_output, "Buffer overflow !!\n"});
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
