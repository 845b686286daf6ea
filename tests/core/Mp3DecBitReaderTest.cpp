#include <gtest/gtest.h>

#include "Mp3DecTestSupport.h"
#include "mp3dec/bitstream.h"
#include "mp3dec/stream_input.h"

using namespace mp3dec;
using mp3dec_test::BitWriter;

namespace {

struct Reader {
    std::vector<std::uint8_t> bytes;
    BitReader reader;
    explicit Reader(std::vector<std::uint8_t> data) : bytes(std::move(data)) {
        bit_reader_attach(reader, bytes.data(), bytes.size());
    }
};

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// The file reader whose end-of-stream moment the decoder keeps, byte by byte: a buffer of `buffer` bytes
// consumed from the top index down, refilled (the unread bytes moved to the top) when the index drops
// below 4, and the end flagged instead once a fill has come up short. Answers the first byte whose
// reading flags the end.
std::size_t StagedReaderEndByte(std::size_t size, int buffer) {
    long index = 0;
    long short_fill_mark = 0;  // 0 while the file has data
    std::size_t loaded = 0;
    for (std::size_t byte = 0;; ++byte) {
        --index;
        if (index < 4 || index < short_fill_mark) {
            if (short_fill_mark != 0) return byte;
            const long free_bytes = buffer - 1 - index;
            const long stored =
                static_cast<long>(std::min<std::size_t>(static_cast<std::size_t>(free_bytes), size - loaded));
            loaded += static_cast<std::size_t>(stored);
            if (stored < free_bytes) short_fill_mark = free_bytes - stored;
            index = buffer - 1;
        }
    }
}

}  // namespace

TEST(Mp3DecBitReader, ReadsAcrossByteBoundariesMostSignificantFirst) {
    Reader r({0xA5, 0x3C, 0xFF, 0x00, 0x81});
    EXPECT_EQ(read_bits(r.reader, 3), 0x5u);    // 101
    EXPECT_EQ(read_bits(r.reader, 7), 0x14u);   // 00101 00
    EXPECT_EQ(read_bit(r.reader), 1u);          // 1
    EXPECT_EQ(read_bits(r.reader, 13), 0x1CFFu);  // 11100 11111111
    EXPECT_EQ(bits_consumed(r.reader), 24u);
    EXPECT_EQ(read_bits(r.reader, 16), 0x0081u);
    EXPECT_FALSE(at_end_of_stream(r.reader));
}

// Reads of every width from 1 to 32 in a scrambled order, over the bytes themselves and over their
// hexadecimal text, give the bits of the stream in order and zeros past its end.
TEST(Mp3DecBitReader, MixedWidthReadsFollowTheStreamBitByBitInBothFormsAndPastTheEnd) {
    std::vector<std::uint8_t> bytes(9000);
    std::uint32_t seed = 12345;
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    std::string hex;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        hex += "0123456789ABCDEF"[bytes[i] >> 4];
        hex += "0123456789ABCDEF"[bytes[i] & 15];
        if (i % 40 == 39) hex += "\r\n";
    }
    const std::uint64_t total_bits = 8 * bytes.size();
    auto expected_bits = [&](std::uint64_t position, int n) {
        std::uint32_t value = 0;
        for (int k = 0; k < n; ++k, ++position) {
            const unsigned bit = position < total_bits ? (bytes[position / 8] >> (7 - position % 8)) & 1u : 0u;
            value = (value << 1) | bit;
        }
        return value;
    };
    const std::vector<std::uint8_t> hex_image = Bytes(hex);
    const std::vector<std::uint8_t>* const images[] = {&bytes, &hex_image};
    for (const std::vector<std::uint8_t>* image : images) {
        const StreamBytes stream(*image);
        ASSERT_EQ(stream.bytes().size(), bytes.size());
        BitReader reader;
        bit_reader_attach(reader, stream.bytes().data(), stream.bytes().size());
        std::uint64_t position = 0;
        for (int i = 0; position < total_bits + 200; ++i) {
            const int n = 1 + (i * 13 + i / 7) % 32;
            ASSERT_EQ(read_bits(reader, n), expected_bits(position, n)) << "read " << i << " at bit " << position;
            position += static_cast<std::uint64_t>(n);
            ASSERT_EQ(bits_consumed(reader), static_cast<std::uint32_t>(position));
        }
        EXPECT_TRUE(at_end_of_stream(reader));
    }
}

// The end is flagged where the staged file reader flagged it: on the byte after the last one, or up to four
// bytes earlier when the last fill of its buffer reached its low-water mark first.
TEST(Mp3DecBitReader, EndOfStreamFallsWhereTheStagedFileReaderPutIt) {
    for (const int buffer : {16, 37, kReaderBufferSize}) {
        for (std::size_t size = 0; size < 3u * static_cast<std::size_t>(buffer) + 20; ++size) {
            if (buffer == kReaderBufferSize && size % 97 > 8 && size % 4092 > 8 && size % 4092 < 4084) continue;
            ASSERT_EQ(end_of_stream_byte(size, buffer), StagedReaderEndByte(size, buffer))
                << "buffer " << buffer << " size " << size;
        }
    }
    // Reading the bit before that byte leaves the flag clear, reading its first bit sets it; the bytes up to
    // the end of the data still read as stored.
    std::vector<std::uint8_t> bytes(kReaderBufferSize - 2, 0x5A);
    Reader r(bytes);
    ASSERT_EQ(end_of_stream_byte(bytes.size()), kReaderBufferSize - 4u);
    consume_bits(r.reader, 8 * (kReaderBufferSize - 4u) - 1);
    EXPECT_FALSE(at_end_of_stream(r.reader));
    EXPECT_EQ(read_bits(r.reader, 17), 0x5A5Au);  // the last bit of byte 4091, then bytes 4092 and 4093
    EXPECT_TRUE(at_end_of_stream(r.reader));
    EXPECT_EQ(read_bits(r.reader, 16), 0x0000u);
}

TEST(Mp3DecBitReader, EndOfStreamIsFlaggedOnTheFirstBitPastTheDataAndReadsGiveZeros) {
    Reader r(std::vector<std::uint8_t>(10, 0xFF));
    EXPECT_EQ(read_bits(r.reader, 32), 0xFFFFFFFFu);
    EXPECT_EQ(read_bits(r.reader, 32), 0xFFFFFFFFu);
    EXPECT_EQ(read_bits(r.reader, 16), 0xFFFFu);
    EXPECT_FALSE(at_end_of_stream(r.reader));
    EXPECT_EQ(read_bit(r.reader), 0u);
    EXPECT_TRUE(at_end_of_stream(r.reader));
    // Long after the end: still zeros, never a read outside the buffer (checked under ASan).
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(read_bits(r.reader, 32), 0u);
}

TEST(Mp3DecStreamInput, UpperCaseHexTextIsReadTwoCharactersPerByte) {
    const std::vector<std::uint8_t> image = Bytes("A53C\r\nFF0\n081\n");
    const StreamBytes stream(image);
    EXPECT_EQ(stream.format(), kHexTextFormat);
    EXPECT_EQ(std::vector<std::uint8_t>(stream.bytes().begin(), stream.bytes().end()),
              (std::vector<std::uint8_t>{0xA5, 0x3C, 0xFF, 0x00, 0x81}));
    EXPECT_EQ(stream_format_announcement("t.txt", stream.format()).text,
              "the bit stream file t.txt is an ASCII file\n");
}

TEST(Mp3DecStreamInput, LowerCaseHexDigitsMakeTheImageBinaryAndAnEmptyOneIsText) {
    const std::vector<std::uint8_t> image = Bytes("a53c\n");
    const StreamBytes stream(image);
    EXPECT_EQ(stream.format(), kBinaryFormat);
    EXPECT_EQ(stream.bytes().data(), image.data());  // referred to, not copied
    EXPECT_EQ(stream_format_announcement("t.txt", stream.format()),
              (Diagnostic{DiagnosticStream::standard_output, "the bit stream file t.txt is a BINARY file\n"}));
    EXPECT_EQ(classify_stream_image({}), kHexTextFormat);
}

TEST(Mp3DecStreamInput, AMissingFileCannotBeRead) {
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(read_whole_file("/nonexistent/dir/x.mp2", bytes));
    EXPECT_EQ(missing_input_message("/nonexistent/dir/x.mp2").text, "Could not find \"/nonexistent/dir/x.mp2\".\n");
}

TEST(Mp3DecFindSync, SkipsJunkAndFindsOnlyByteAlignedSyncWords) {
    BitWriter w;
    w.Put(0x12, 8);
    w.Put(0x7FF8, 16);  // 0xFFF starting at bit 1 of this pair: not byte aligned
    w.Put(0x00, 8);
    w.Put(0xFFF, 12);   // the real one, byte aligned
    w.Put(0xA, 4);
    Reader r(w.bytes);
    ASSERT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 1);
    EXPECT_EQ(bits_consumed(r.reader), 4u * 8u + 12u);
    EXPECT_EQ(read_bits(r.reader, 4), 0xAu);
}

TEST(Mp3DecFindSync, StartsFromTheNextByteBoundaryAndFailsAtTheEnd) {
    Reader r({0xFF, 0xF0, 0x00, 0x7F, 0xF0});
    read_bits(r.reader, 3);
    // The sync word at byte 0 is behind us now and the one in bytes 3-4 is not byte aligned.
    EXPECT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 0);
    EXPECT_TRUE(at_end_of_stream(r.reader));
}

TEST(Mp3DecFindSync, PeekAndRewindLetASearchResumeInsideARejectedHeader) {
    Reader r({0x00, 0xFF, 0xFF, 0xFC, 0x12, 0x34});
    ASSERT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 1);
    EXPECT_EQ(bits_consumed(r.reader), 20u);
    EXPECT_EQ(peek_bits(r.reader, 20), 0xFFC12u);
    EXPECT_EQ(bits_consumed(r.reader), 20u);
    rewind_to_byte_start(r.reader);
    EXPECT_EQ(bits_consumed(r.reader), 16u);
    ASSERT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 1);
    EXPECT_EQ(bits_consumed(r.reader), 28u);
    EXPECT_EQ(read_bits(r.reader, 4), 0xCu);
}
