#pragma once
// Bit-level reading of an MPEG audio stream held in memory, most significant bit first.
//
// The end of the stream is flagged where the reader of the original file driver flagged it: that reader
// staged the file in a 4096-byte buffer consumed from the top down and refilled it before fewer than four
// bytes were left, so once the file had run dry it reported the end up to four bytes before the last one.
// Decoding depends on that moment (the frame loop stops there), so the position is computed from the
// stream length and kept. Bits themselves are read as stored, and as zeros past the last byte.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mp3dec {

constexpr int kReaderBufferSize = 4096;
constexpr std::uint32_t kSyncWord = 0xFFF;
constexpr int kSyncWordWidth = 12;

struct BitReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint64_t position = 0;  // bits consumed
    std::uint64_t end_bit = 0;   // reading a bit at or past this position flags the end of the stream
    bool end_of_stream = false;
};

// Places the reader at the start of `size` bytes. `staging_bytes` is the buffer size of the file reader whose
// end-of-stream moment is reproduced.
void bit_reader_attach(BitReader& reader, const std::uint8_t* data, std::size_t size,
                       int staging_bytes = kReaderBufferSize);
// The first byte whose reading flags the end of a stream of `size` bytes.
std::size_t end_of_stream_byte(std::size_t size, int staging_bytes = kReaderBufferSize);

// Reads that reach within eight bytes of the end of the data.
std::uint32_t read_bits_near_end(const BitReader& reader, std::uint64_t start, int n);

// The n bits (0 <= n <= 32) at bit `start` without consuming them; zeros past the end of the data.
inline std::uint32_t bits_at(const BitReader& reader, std::uint64_t start, int n) {
    if (n <= 0) return 0;
    const std::uint64_t byte = start >> 3;
    if (byte + 8 > reader.size) return read_bits_near_end(reader, start, n);
    std::uint64_t window;
    std::memcpy(&window, reader.data + byte, sizeof window);
    if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
    return static_cast<std::uint32_t>((window << (start & 7)) >> (64 - n));
}

// The next n bits (0 <= n <= 32), most significant first.
inline std::uint32_t read_bits(BitReader& reader, int n) {
    const std::uint64_t start = reader.position;
    if (n <= 0) return 0;
    reader.position = start + static_cast<std::uint64_t>(n);
    if (reader.position > reader.end_bit) reader.end_of_stream = true;
    return bits_at(reader, start, n);
}

inline unsigned read_bit(BitReader& reader) {
    return static_cast<unsigned>(read_bits(reader, 1));
}

// Bits consumed since the start, modulo 2^32 as the frame accounting counts them.
inline std::uint32_t bits_consumed(const BitReader& reader) {
    return static_cast<std::uint32_t>(reader.position);
}
inline bool at_end_of_stream(const BitReader& reader) {
    return reader.end_of_stream;
}

// Moves past n bits as reading them would.
inline void consume_bits(BitReader& reader, std::uint64_t n) {
    reader.position += n;
    if (reader.position > reader.end_bit) reader.end_of_stream = true;
}
// The bits from `start` on, left-aligned: at least 57 of them are the stream's (zeros past its end).
inline std::uint64_t window_at(const BitReader& reader, std::uint64_t start) {
    const std::uint64_t byte = start >> 3;
    std::uint64_t window = 0;
    if (byte + 8 <= reader.size) {
        std::memcpy(&window, reader.data + byte, sizeof window);
        if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
    } else {
        for (std::uint64_t b = byte; b < byte + 8; ++b)
            window = (window << 8) | (b < reader.size ? reader.data[b] : 0u);
    }
    return window << (start & 7);
}

// Fields read one after the other where nothing looks at the end of the stream in between: they come from
// a window of the stream, and the reader is moved (and the end of the stream noted) once, by finish.
class BitFields {
public:
    explicit BitFields(BitReader& reader) : m_reader(reader), m_position(reader.position) {}
    std::uint32_t take(int n) {  // 0 <= n <= 32
        if (n == 0) return 0;
        if (n > m_available) {
            m_window = window_at(m_reader, m_position);
            m_available = 57;
        }
        const auto value = static_cast<std::uint32_t>(m_window >> (64 - n));
        m_window <<= n;
        m_available -= n;
        m_position += static_cast<std::uint64_t>(n);
        return value;
    }
    void finish() { consume_bits(m_reader, m_position - m_reader.position); }

private:
    BitReader& m_reader;
    std::uint64_t m_position;
    std::uint64_t m_window = 0;
    int m_available = 0;
};

// Skips up to n bits in steps of 32, stopping after the step that reaches the end of the stream.
void skip_bits(BitReader& reader, std::uint64_t n);

// Searches byte-aligned positions for the sync word; 1 when found, 0 when the stream ended first.
int find_sync(BitReader& reader, std::uint32_t sync_word, int width);

// The next n bits (n <= 24) without consuming them.
inline std::uint32_t peek_bits(const BitReader& reader, int n) {
    return bits_at(reader, reader.position, n);
}
// Gives back the bits already consumed from the current byte, so a search can resume at its start.
inline void rewind_to_byte_start(BitReader& reader) {
    reader.position &= ~std::uint64_t{7};
}

// The 16-bit error-check word that follows a protected header.
unsigned read_crc_word(BitReader& reader);

}  // namespace mp3dec
