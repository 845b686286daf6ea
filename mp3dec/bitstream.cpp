#include "mp3dec/bitstream.h"

#include <algorithm>
#include <cstring>

#include "mp3dec/checked_alloc.h"
#include "mp3dec/decoder_stop.h"
#include "mp3dec/diagnostics.h"

namespace mp3dec {

namespace {

constexpr int kMaxBitsPerRead = 32;
constexpr int kLowWaterIndex = 4;  // the buffer is refilled before fewer than 4 bytes remain

bool is_hex_text_byte(int c) {
    return c == '\n' || c == '\r' || c == 26 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int hex_digit_value(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::FILE* open_or_stop(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        diagnostic(DiagnosticStream::output, "Could not find \"%s\".\n", path.c_str());
        stop_decoder();
    }
    return file;
}

unsigned char classify_file(std::FILE* file) {
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        if (!is_hex_text_byte(c)) return kBinaryFormat;
    }
    return kHexTextFormat;
}

// The next byte of the stream, or -1 when the file has none left.
int next_stream_byte(BitReader& reader) {
    if (reader.format == kBinaryFormat) return std::fgetc(reader.file);
    int high = -1;
    int c;
    while ((c = std::fgetc(reader.file)) != EOF) {
        const int digit = hex_digit_value(c);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            return (high << 4) | digit;
        }
    }
    return -1;
}

// Stores up to `count` stream bytes downward from index count - 1, the order the reader consumes them in;
// answers how many the file had.
int read_hex_text_block(BitReader& reader, int count) {
    for (int stored = 0; stored < count; ++stored) {
        const int byte = next_stream_byte(reader);
        if (byte < 0) return stored;
        reader.buffer[count - 1 - stored] = static_cast<unsigned char>(byte);
    }
    return count;
}

// The same for the raw bitstream, read in one block rather than a byte per call.
int read_binary_block(BitReader& reader, int count) {
    unsigned char* const block = reader.buffer;
    const auto stored = static_cast<int>(std::fread(block, 1, static_cast<std::size_t>(count), reader.file));
    std::reverse(block, block + stored);
    if (stored < count) std::memmove(block + count - stored, block, static_cast<std::size_t>(stored));
    return stored;
}

// Moves the unread bytes 0..byte_index to the top and fills the rest of the buffer from the file.
void refill_buffer(BitReader& reader) {
    const int unread = reader.byte_index + 1;
    if (unread > 0) {
        std::memmove(reader.buffer + reader.buffer_size - unread, reader.buffer, static_cast<std::size_t>(unread));
    }
    const int free_bytes = reader.buffer_size - 1 - reader.byte_index;
    const int stored = reader.format == kBinaryFormat ? read_binary_block(reader, free_bytes)
                                                      : read_hex_text_block(reader, free_bytes);
    if (stored < free_bytes) reader.end_of_buffer_index = free_bytes - stored;
    reader.byte_index = reader.buffer_size - 1;
}

void advance_to_next_byte(BitReader& reader) {
    reader.bit_index = 8;
    --reader.byte_index;
    if (reader.byte_index < kLowWaterIndex || reader.byte_index < reader.end_of_buffer_index) {
        if (reader.end_of_buffer_index != 0) {
            reader.end_of_stream = 1;
        } else {
            refill_buffer(reader);
        }
    }
}

// The byte being consumed; zero once the index has left the stored data.
unsigned current_byte(const BitReader& reader, int index) {
    if (index < 0 || index >= reader.buffer_size) return 0;
    if (reader.end_of_buffer_index != 0 && index < reader.end_of_buffer_index) return 0;
    return reader.buffer[index];
}

// A read that spans the next `more_bytes` bytes, all stored and none reaching the refill mark: the same
// bits and reader state as the byte-by-byte loop, gathered at once.
std::uint32_t read_bits_from_stored_bytes(BitReader& reader, int n, int more_bytes) {
    std::uint64_t window = reader.buffer[reader.byte_index] & ((1u << reader.bit_index) - 1u);
    for (int k = 1; k <= more_bytes; ++k) window = (window << 8) | reader.buffer[reader.byte_index - k];
    reader.byte_index -= more_bytes;
    reader.bit_index += 8 * more_bytes - n;
    reader.total_bits += static_cast<std::uint32_t>(n);
    return static_cast<std::uint32_t>((window >> reader.bit_index) & ((std::uint64_t{1} << n) - 1u));
}

}  // namespace

void bit_reader_open(BitReader& reader, const std::string& path, int buffer_size, bool announce) {
    bit_reader_close(reader);
    reader = BitReader{};
    std::FILE* probe = open_or_stop(path);
    const unsigned char format = classify_file(probe);
    std::fclose(probe);
    if (announce) {
        diagnostic(DiagnosticStream::output, "the bit stream file %s is %s file\n", path.c_str(),
                    format == kHexTextFormat ? "an ASCII" : "a BINARY");
    }
    reader.file = open_or_stop(path);
    reader.buffer = static_cast<unsigned char*>(checked_alloc(static_cast<std::size_t>(buffer_size), "buffer"));
    reader.buffer_size = buffer_size;
    reader.format = format;
}

void bit_reader_close(BitReader& reader) {
    if (reader.file != nullptr) {
        std::fclose(reader.file);
        reader.file = nullptr;
    }
    checked_free_as(reader.buffer);
}

unsigned read_bit(BitReader& reader) {
    return static_cast<unsigned>(read_bits(reader, 1));
}

std::uint32_t read_bits_general(BitReader& reader, int n) {
    if (n > kMaxBitsPerRead) {
        diagnostic(DiagnosticStream::output, "Cannot read or write more than %d bits at a time.\n", kMaxBitsPerRead);
    }
    if (n > 0 && n <= reader.bit_index) {  // all within the current byte: the common case
        reader.bit_index -= n;
        reader.total_bits += static_cast<std::uint32_t>(n);
        return (current_byte(reader, reader.byte_index) >> reader.bit_index) & ((1u << n) - 1u);
    }
    if (n > 0 && n <= kMaxBitsPerRead) {
        const int more_bytes = (n - reader.bit_index + 7) / 8;
        if (reader.end_of_buffer_index == 0 && reader.byte_index - more_bytes >= kLowWaterIndex) {
            return read_bits_from_stored_bytes(reader, n, more_bytes);
        }
    }
    std::uint64_t value = 0;
    int remaining = n;
    while (remaining > 0) {
        if (reader.bit_index == 0) advance_to_next_byte(reader);
        const int take = remaining < reader.bit_index ? remaining : reader.bit_index;
        const unsigned byte = current_byte(reader, reader.byte_index);
        const unsigned chunk = (byte >> (reader.bit_index - take)) & ((1u << take) - 1u);
        value = (value << take) | chunk;
        reader.bit_index -= take;
        remaining -= take;
    }
    if (n > 0) reader.total_bits += static_cast<std::uint32_t>(n);
    return static_cast<std::uint32_t>(value);
}

std::uint32_t bits_consumed(const BitReader& reader) {
    return reader.total_bits;
}

bool at_end_of_stream(const BitReader& reader) {
    return reader.end_of_stream != 0;
}

int find_sync(BitReader& reader, std::uint32_t sync_word, int width) {
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
    const int misalignment = static_cast<int>(reader.total_bits % 8);
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

std::uint32_t peek_bits(const BitReader& reader, int n) {
    std::uint32_t value = 0;
    int index = reader.byte_index;
    int bits_left = reader.bit_index;
    for (int i = 0; i < n; ++i) {
        if (bits_left == 0) {
            --index;
            bits_left = 8;
        }
        --bits_left;
        value = (value << 1) | ((current_byte(reader, index) >> bits_left) & 1u);
    }
    return value;
}

void rewind_to_byte_start(BitReader& reader) {
    if (reader.bit_index == 0 || reader.bit_index == 8) return;
    reader.total_bits -= static_cast<std::uint32_t>(8 - reader.bit_index);
    reader.bit_index = 8;
}

}  // namespace mp3dec
