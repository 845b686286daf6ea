#include "mp3dec/reservoir.h"

#include "mp3dec/decoder_stop.h"

namespace mp3dec {

void reservoir_put_byte(MainDataReservoir& reservoir, std::uint32_t value, int width) {
    if (width != 8) {
        stop_decoder({DiagnosticStream::standard_output, "Not Supported yet!!\n"});
    }
    const std::uint8_t byte = static_cast<std::uint8_t>(value & 0xFFu);
    const std::uint32_t entry = reservoir.write_count % kReservoirEntries;
    reservoir.entries[entry] = byte;
    if (entry < kReservoirMirror) reservoir.entries[kReservoirEntries + entry] = byte;
    ++reservoir.write_count;
}

void reservoir_put_bytes(MainDataReservoir& reservoir, const std::uint8_t* bytes, std::uint32_t count) {
    while (count > 0) {
        const std::uint32_t entry = reservoir.write_count % kReservoirEntries;
        const std::uint32_t run = count < kReservoirEntries - entry ? count : kReservoirEntries - entry;
        std::memcpy(reservoir.entries + entry, bytes, run);
        if (entry < kReservoirMirror) {
            const std::uint32_t mirrored = run < kReservoirMirror - entry ? run : kReservoirMirror - entry;
            std::memcpy(reservoir.entries + kReservoirEntries + entry, bytes, mirrored);
        }
        reservoir.write_count += run;
        bytes += run;
        count -= run;
    }
}

void stop_at_overflow(const ReservoirCursor&) {
    stop_decoder({DiagnosticStream::standard_output, "Buffer overflow !!\n"});
}

void reservoir_skip_bits(MainDataReservoir& reservoir, std::uint32_t n) {
    // Skipping reads nothing but is checked like reading: it may end in the entry at the write count.
    if (n == 0) return;
    ReservoirCursor cursor = reservoir_cursor(reservoir);
    cursor.bit += n;
    cursor_check(cursor);
    reservoir_settle(reservoir, cursor);
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
