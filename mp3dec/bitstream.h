#pragma once
// Bit-level reading of an MPEG audio file. The input is either the raw bitstream or the same bytes written
// as upper-case hexadecimal text (two characters per byte, line breaks ignored); the reader decides which
// when it opens the file. Bytes are staged in a buffer that is consumed from its top index downward.

#include <cstdint>
#include <cstdio>
#include <string>

namespace mp3dec {

enum BitstreamFormat : unsigned char { kBinaryFormat = 0, kHexTextFormat = 1 };

constexpr int kReaderBufferSize = 4096;
constexpr std::uint32_t kSyncWord = 0xFFF;
constexpr int kSyncWordWidth = 12;

struct BitReader {
    std::FILE* file = nullptr;
    unsigned char* buffer = nullptr;
    int buffer_size = 0;
    std::uint32_t total_bits = 0;
    int byte_index = 0;           // byte being consumed; bytes go from high index to low
    int bit_index = 0;            // bits still unread in that byte; 0 forces a fill on the next read
    int mode = 0;                 // 0 = read
    int end_of_buffer_index = 0;  // 0 while the file has data, else the index just above the last byte stored
    int end_of_stream = 0;
    unsigned char format = kBinaryFormat;
};

// Opens and classifies the file; prints "Could not find ..." and stops the decoder if it cannot be opened.
// The classification is announced on standard output unless `announce` is false.
void bit_reader_open(BitReader& reader, const std::string& path, int buffer_size, bool announce = true);
// Closes the file and frees the buffer; safe to call on a reader that was never opened or already closed.
void bit_reader_close(BitReader& reader);

unsigned read_bit(BitReader& reader);
// Every read; read_bits takes it for all but the common case.
std::uint32_t read_bits_general(BitReader& reader, int n);

// The next n bits (n <= 32), most significant first. Past the end of the stream the bits are zeros.
// Most reads stay inside a stored byte; that case is inlined.
inline std::uint32_t read_bits(BitReader& reader, int n) {
    const int index = reader.byte_index;
    const bool stored = index >= 0 && index < reader.buffer_size &&
                        (reader.end_of_buffer_index == 0 || index >= reader.end_of_buffer_index);
    if (n > 0 && n <= reader.bit_index && stored) {
        reader.bit_index -= n;
        reader.total_bits += static_cast<std::uint32_t>(n);
        return (static_cast<std::uint32_t>(reader.buffer[index]) >> reader.bit_index) & ((1u << n) - 1u);
    }
    return read_bits_general(reader, n);
}
std::uint32_t bits_consumed(const BitReader& reader);
bool at_end_of_stream(const BitReader& reader);

// Searches byte-aligned positions for the sync word; 1 when found, 0 when the stream ended first.
int find_sync(BitReader& reader, std::uint32_t sync_word, int width);

// The next n bits (n <= 24, after at least one read) without consuming them.
std::uint32_t peek_bits(const BitReader& reader, int n);
// Gives back the bits already consumed from the current byte, so a search can resume at its start.
void rewind_to_byte_start(BitReader& reader);

// The 16-bit error-check word that follows a protected header.
unsigned read_crc_word(BitReader& reader);

}  // namespace mp3dec
